// The installation's entry in the system's list of programs (Programs and
// Features, the deployment tools' inventory), as plain values.
#pragma once
#include <array>
#include <cstdint>

#include "app/platform_rules.h"

namespace rs {

inline constexpr char kReaderDriverName[] = "ORVEX PC/SC Smart Card Reader Driver";

// The folder in the utility folder that keeps setup.exe and what it needs
// to run, so that the quiet removal works once the medium is gone.
inline constexpr char kKeptCopyFolderName[] = "\\Setup";

// How a platform's path registers: A, C and E by the utility folder; B
// (NT 4.0) by the system folder and its own uninstall command. Path D's
// vendor installer registers what it installs; an unknown system has
// nothing installed.
enum class Registration { None, UtilityFolder, SystemFolder };
Registration RegistrationFor(PlatformCode platform);

struct RegistrationPlaces {
    const char* utilityFolder;  // Program Files + "\ORVEX"
    const char* windowsDirectory;
    const char* systemDirectory;
};

// One value of the entry: text (REG_SZ) made of head, folder and tail
// joined, the folder maybe none; or, without a head, a number (REG_DWORD).
struct RegistrationValue {
    const char* name;
    const char* head;
    const char* folder;
    const char* tail;
    std::uint32_t number;
};
using RegistrationValues = std::array<RegistrationValue, 9>;

// The entry's values in the order they are written; the installed size in
// whole KB, rounded up.
RegistrationValues BuildRegistrationValues(Registration kind, const RegistrationPlaces& places, const char* version,
                                           std::uint64_t installedBytes);

// "6.4" in a title that ends in " v6.4": where its last word begins, after
// the "v".
const char* VersionInTitle(const char* title);

}  // namespace rs
