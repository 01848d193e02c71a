#include "install/registration_rules.h"

#include "install/registry_steps.h"

namespace rs {

Registration RegistrationFor(PlatformCode platform) {
    switch (platform) {
        case 1: case 2: case 3:           // 95, 98, Me
        case 5: case 6: case 8: case 11:  // 2000, XP, 2003, later than Vista
            return Registration::UtilityFolder;
        case 4:
            return Registration::SystemFolder;
        default:
            return Registration::None;
    }
}

RegistrationValues BuildRegistrationValues(Registration kind, const RegistrationPlaces& places, const char* version,
                                           std::uint64_t installedBytes) {
    const bool ntFour = kind == Registration::SystemFolder;
    return {{
        {"DisplayName", kReaderDriverName, nullptr, "", 0},
        {"DisplayVersion", version, nullptr, "", 0},
        {"Publisher", "Tornvale", nullptr, "", 0},
        {"InstallLocation", "", ntFour ? places.systemDirectory : places.utilityFolder, "", 0},
        // The command the uninstaller's shortcut runs; NT 4.0's the entry has always had.
        ntFour ? RegistrationValue{"UninstallString", kUninstallCommandHead, places.windowsDirectory,
                                   kUninstallCommandTail, 0}
               : RegistrationValue{"UninstallString", "\"", places.utilityFolder, "\\orvexunst.exe\"", 0},
        {"QuietUninstallString", "\"", places.utilityFolder, "\\Setup\\setup.exe\" /uninstall /quiet", 0},
        {"NoModify", nullptr, nullptr, nullptr, 1},
        {"NoRepair", nullptr, nullptr, nullptr, 1},
        {"EstimatedSize", nullptr, nullptr, nullptr, static_cast<std::uint32_t>((installedBytes + 1023) / 1024)},
    }};
}

const char* VersionInTitle(const char* title) {
    const char* word = title;
    for (const char* c = title; *c; ++c)
        if (*c == ' ') word = c + 1;
    return *word == 'v' ? word + 1 : word;
}

}  // namespace rs
