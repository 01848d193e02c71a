#include "shell/utilities_rules.h"

namespace rs {
namespace {

std::string GuideStem(DisplayLanguage language, PlatformCode platform) {
    const char* prefix = language == 1 ? "\\C" : language == 2 ? "\\K" : "\\E";
    return std::string(prefix) + (platform <= 4 ? "WIN98" : "WINXP");
}

}  // namespace

std::string GuidePageName(DisplayLanguage language, PlatformCode platform) {
    return GuideStem(language, platform) + ".htm";
}

std::string GuideFolderName(DisplayLanguage language, PlatformCode platform) {
    return GuideStem(language, platform) + ".files";
}

UtilityShortcut MakeUtilityShortcut(UtilityShortcutRow row, const std::string& utilityFolder,
                                    const std::string& guidePage, const std::string& group,
                                    const std::string& iconProgramFiles) {
    UtilityShortcut s;
    switch (row) {
        case UtilityShortcutRow::Uninstaller:
            s.name = "Uninstall ORVEX Reader";
            s.target = utilityFolder + kUninstallerCopy.installedName;
            s.iconFile = s.target;
            break;
        case UtilityShortcutRow::Diagnostics:
            s.name = "ORVEX Diagnostics";
            s.target = utilityFolder + kDiagnosticsCopy.installedName;
            s.iconFile = s.target;
            break;
        case UtilityShortcutRow::Guide:
            s.name = "Installation Guide";
            s.target = utilityFolder + guidePage;
            s.iconFile = iconProgramFiles + "\\Internet Explorer\\iexplore.exe";
            break;
    }
    s.groupFile = group + "\\" + s.name + ".lnk";
    return s;
}

int ProgramsFolderId(bool allUsers, PlatformCode platform) {
    return allUsers && platform >= 4 && platform != 12 ? kCommonProgramsFolder : kProgramsFolder;
}

}  // namespace rs
