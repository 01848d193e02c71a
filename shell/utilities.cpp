#include "shell/utilities.h"

#include <shlobj.h>

#include <cstring>

#include "base/handles.h"
#include "base/system_api.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "base/run_log.h"
#include "install/file_deploy.h"
#include "install/program_files.h"
#include "shell/shortcut.h"
#include "shell/utilities_internal.h"
#include "shell/utilities_rules.h"

namespace rs {
namespace {

// As the driver files: read-only files of an earlier installation are
// overwritten, and no copy stays read-only. Failures are not reported.
void CopyOver(const std::string& source, const std::string& destination) { InstallFile(source, destination); }

}  // namespace

bool CopyFolderFiles(const std::string& source, const std::string& destination) {
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA((source + "\\*.*").c_str(), &entry));
    if (!search) return false;
    // Every entry is tried as a file, "." and ".." and subfolders included;
    // their copies fail and nothing is descended into.
    do {
        CopyOver(source + "\\" + entry.cFileName, destination + "\\" + entry.cFileName);
    } while (FindNextFileA(search.get(), &entry));
    return true;
}

std::string SpecialFolderPath(HWND owner, int folderId) {
    com_ptr<IMalloc> alloc;
    if (FAILED(sysapi::SHGetMalloc(alloc.put())) || !alloc) return std::string();
    unique_pidl folder;
    if (FAILED(sysapi::SHGetSpecialFolderLocation(owner, folderId, folder.put(alloc.get()))) || !folder) return std::string();
    char path[MAX_PATH] = {};
    if (!sysapi::SHGetPathFromIDListA(folder.get(), path)) return std::string();
    return path;
}

void InstallUtilitiesAndGuide(HWND owner, DisplayLanguage language, const std::string& windowsDirectory) {
    const std::string utility = ProgramFilesFolder(windowsDirectory) + kUtilityFolderName;
    CreateDirectoryA(utility.c_str(), nullptr);
    for (const UtilityCopy& program : kUtilityCopies) CopyOver(program.source, utility + program.installedName);

    const PlatformCode platform = DetectPlatform();
    const std::string page = GuidePageName(language, platform);
    const std::string pages = GuideFolderName(language, platform);
    CopyOver(std::string(kGuideSource) + page, utility + page);
    CreateDirectoryA((utility + pages).c_str(), nullptr);
    CopyFolderFiles(std::string(kGuideSource) + pages, utility + pages);

    const std::string programs = SpecialFolderPath(owner, ProgramsFolderId(Switches().allUsers, platform));
    const std::string group = programs + "\\" + kUtilityGroupName;
    // Without a Programs folder the group would land in the current drive's root.
    if (!programs.empty()) CreateDirectoryA(group.c_str(), nullptr);

    for (auto row : {UtilityShortcutRow::Uninstaller, UtilityShortcutRow::Diagnostics, UtilityShortcutRow::Guide}) {
        const std::string iconProgramFiles =
            row == UtilityShortcutRow::Guide ? ProgramFilesFolder(windowsDirectory) : std::string();
        const UtilityShortcut s = MakeUtilityShortcut(row, utility, page, group, iconProgramFiles);
        const std::string made = CreateShellShortcut(owner, s.target, "", s.iconFile, 0, s.name, CSIDL_DESKTOP);
        if (!programs.empty()) {
            const BOOL moved = MoveFileA(made.c_str(), s.groupFile.c_str());
            runlog::Step(moved, moved ? 0 : GetLastError(), "shortcut \"%s\"", s.groupFile.c_str());
        }
        // Gone already when the move worked; otherwise the Desktop copy goes.
        DeleteFileA(made.c_str());
    }
}

void InstallUtilitiesAndGuide(HWND owner, DisplayLanguage language) {
    InstallUtilitiesAndGuide(owner, language, WindowsDirectory());
}

}  // namespace rs
