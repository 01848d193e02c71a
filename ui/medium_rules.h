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
};

// Every read of a run on this platform, in any display language.
std::vector<MediumRead> MediumReadsOn(PlatformCode platform);

// Whether some 64-bit Windows is classified as this platform.
bool MayBe64Bit(PlatformCode platform);

}  // namespace rs
