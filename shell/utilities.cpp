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
// overwritten, and no copy stays read-only. Failures are logged, not shown.
void CopyOver(const std::string& source, const std::string& destination) { InstallFile(source, destination); }

}  // namespace

bool CopyFolderFiles(const std::string& source, const std::string& destination) {
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA((source + "\\*.*").c_str(), &entry));
    if (!search) {
        runlog::Step(false, GetLastError(), "copy \"%s\"", source.c_str());  // the medium lacks it
        return false;
    }
    // By hand every entry is tried as a file, "." and ".." and subfolders
    // included; their copies fail and nothing is descended into. A run with
    // switches passes over folders, whose failures its log would count.
    const bool filesOnly = Switches().given;
    do {
        if (filesOnly && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
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
        // One of the group already there stays, as a person's second run
        // leaves it; without a Programs folder there is no group to put it in.
        const BOOL moved = !programs.empty() && MoveFileA(made.c_str(), s.groupFile.c_str());
        runlog::Result(StepKind::Make, moved, moved ? 0 : programs.empty() ? ERROR_PATH_NOT_FOUND : GetLastError(),
                       "shortcut \"%s\"", s.groupFile.c_str());
        // Gone already when the move worked; otherwise the Desktop copy goes.
        DeleteFileA(made.c_str());
    }
}

void InstallUtilitiesAndGuide(HWND owner, DisplayLanguage language) {
    InstallUtilitiesAndGuide(owner, language, WindowsDirectory());
}

}  // namespace rs
