// Names and paths of the utility folder, the guide and the Start-menu group,
// without Windows.
#pragma once
#include <array>
#include <string>

#include "app/platform_rules.h"
#include "app/texts.h"
#include "install/program_files_rules.h"

namespace rs {

inline constexpr const char* kUtilityGroupName = "ORVEX Utility";
inline constexpr const char* kGuideSource = "..\\InstallationGuide";

// The two programs copied from the medium into the utility folder.
struct UtilityCopy {
    const char* source;         // relative to the current directory
    const char* installedName;  // appended to the utility folder
};
inline constexpr UtilityCopy kUninstallerCopy = {".\\drivers\\orvexunst.exe", "\\orvexunst.exe"};
inline constexpr UtilityCopy kDiagnosticsCopy = {".\\utility\\tkrdchk.exe", "\\tkrdchk.exe"};
inline constexpr std::array<UtilityCopy, 2> kUtilityCopies = {kUninstallerCopy, kDiagnosticsCopy};

// "\EWINXP.htm" and the like: the separator is part of the name.
std::string GuidePageName(DisplayLanguage language, PlatformCode platform);
std::string GuideFolderName(DisplayLanguage language, PlatformCode platform);

// The Programs folder that receives the group: the current user's, or with
// /allusers the one for all users where the system has it (the NT family).
inline constexpr int kProgramsFolder = 0x02;        // CSIDL_PROGRAMS
inline constexpr int kCommonProgramsFolder = 0x17;  // CSIDL_COMMON_PROGRAMS
int ProgramsFolderId(bool allUsers, PlatformCode platform);

// One shortcut of the group: made on the Desktop under `name`, then moved
// to `groupFile`.
struct UtilityShortcut {
    std::string name;
    std::string target;
    std::string iconFile;
    std::string groupFile;
};

enum class UtilityShortcutRow { Uninstaller, Diagnostics, Guide };

// `iconProgramFiles` is used by the guide row only (Internet Explorer's
// program lends its icon).
UtilityShortcut MakeUtilityShortcut(UtilityShortcutRow row, const std::string& utilityFolder,
                                    const std::string& guidePage, const std::string& group,
                                    const std::string& iconProgramFiles);

}  // namespace rs
