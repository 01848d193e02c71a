// What setup.exe reads from its installation medium, platform by platform,
// taken from the rules the program itself runs on: the copy table, the
// binding INF, the external installers, the base components' INF, the
// utility programs and the guide names. A release medium must hold all of
// it; tools/medium_layout checks a medium against this list.
#pragma once
#include <string>
#include <vector>

#include "app/platform_rules.h"
#include "app/texts.h"

namespace rs {

inline constexpr const char* kSetupProgramName = "setup.exe";

enum class MediumItem { File, Inf, Folder };

// What the system does with an INF beyond reading its [Version].
enum class InfUse {
    Other,
    PlugAndPlay,  // installed into the system's INF folder: Plug and Play matches the reader by it
    Binding,      // handed to the binding library with the reader's hardware ID; its files come from the medium
};

struct MediumRead {
    // As the program names it, from the setup folder (its current
    // directory and its own folder): ".\drivers\ORVEX.ncp",
    // "..\InstallationGuide\EWINXP.htm".
    std::string path;
    MediumItem item = MediumItem::File;
    std::string role;         // what reads it, for a person
    bool only64Bit = false;   // read only when the platform runs as 64-bit Windows
    InfUse infUse = InfUse::Other;
    std::string inWords = {};  // what the system does with it, for a person; empty: the role tells
};

// Every read of a run on this platform, in any display language.
std::vector<MediumRead> MediumReadsOn(PlatformCode platform);

// Whether some 64-bit Windows is classified as this platform.
bool MayBe64Bit(PlatformCode platform);

// A Windows release in one width, as its version query reports it.
struct WindowsRelease {
    std::string name;  // "Windows XP x64 (64-bit)"
    VersionFacts version;
    std::uint32_t build;
    std::uint32_t suiteMask;  // wSuiteMask: the VER_SUITE_ bits
};
// Windows 95 to 11 and the servers the program runs on, each in the widths
// it came in for x86 and x64 processors, Windows 10 and 11 at each
// release's build, the servers as member server and as domain controller.
const std::vector<WindowsRelease>& WindowsReleases();

// Release names as a person reads them, "Windows 95, 98 and Me"; four or
// more that stand one after another in WindowsReleases() and differ in one
// word told as one: "Windows 10 1507 to 22H2 (64-bit)".
std::string ReleasesInWords(const std::vector<std::string>& names);

// What a run reads on this release: the reads of its platform code, the
// 64-bit ones only on a 64-bit release.
std::vector<MediumRead> MediumReadsOn(const WindowsRelease& release);

}  // namespace rs
