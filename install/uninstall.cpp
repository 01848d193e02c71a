#include "install/uninstall.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "base/handles.h"
#include "base/run_log.h"
#include "base/system_api.h"
#include "install/driver_removal.h"
#include "install/registration.h"
#include "install/registry_io.h"

namespace rs {
namespace {

// Paths as wsprintf writes them: 1024 characters at the most, far more
// than the system takes in a path.
using Path = char[1025];

// One run's state: what was found, and what goes only at the next restart.
struct Removals {
    RemovalTally tally;
    const char* own = "";
    bool pending = false;  // a file waits for the restart
    bool nt = false;
};

// The last backslash in a path; nullptr where it has none.
template <class Char>
Char* LastBackslash(Char* path) noexcept {
    Char* last = nullptr;
    for (; *path; ++path)
        if (*path == '\\') last = path;
    return last;
}

// 95, 98 and Me delete at their next start what WININIT.INI's [rename]
// section names with NUL, by its short name; the section is written whole,
// as its lines share one key.
bool DeleteAtStart9x(const char* path) noexcept {
    char shortPath[MAX_PATH];
    static char section[16384];
    const DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    const DWORD length = GetPrivateProfileSectionA("rename", section, sizeof section, "WININIT.INI");
    return n > 0 && n < sizeof shortPath && length < sizeof section - 2 &&
           WithRemoval(section, length, sizeof section, shortPath) &&
           WritePrivateProfileSectionA("rename", section, "WININIT.INI");
}

// The system's delayed delete.
bool DeleteAtRestart(Removals& r, const char* path) noexcept {
    const bool done = r.nt ? MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE : DeleteAtStart9x(path);
    if (!done) return false;
    r.pending = true;
    // The run's own files need no restart of their own: the next one removes them.
    const char* name = LastBackslash(path);
    if (!SamePath(std::string_view(path, static_cast<std::size_t>(name - path)), r.own)) ++r.tally.delayed;
    runlog::Step(true, 0, "removed at the next restart, in use: \"%s\"", path);
    return true;
}

void RemoveFile(Removals& r, const char* path) noexcept {
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    const BOOL ok = DeleteFileA(path);
    DWORD error = ok ? 0 : GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    ++r.tally.found;
    if (!ok && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)) {
        if (DeleteAtRestart(r, path)) return;
        error = GetLastError();
    }
    runlog::Step(ok, error, "removed \"%s\"", path);
}

// A folder goes when it is empty; one that still holds a file waiting for
// the restart goes after it. Anything else in it is not ours, and keeps it
// (95, 98 and Me refuse a folder that is not empty as access denied).
void RemoveFolderIfEmpty(Removals& r, const char* folder) noexcept {
    const BOOL ok = RemoveDirectoryA(folder);
    const DWORD error = ok ? 0 : GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    if (!ok && r.pending && r.nt && MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        ++r.tally.found;
        runlog::Step(true, 0, "removed at the next restart, in use: \"%s\"", folder);
    } else if (!ok && (error == ERROR_DIR_NOT_EMPTY || (!r.nt && error == ERROR_ACCESS_DENIED))) {
        runlog::Line("kept \"%s\": it holds files not installed here, or waiting for the restart", folder);
    } else {
        ++r.tally.found;
        runlog::Step(ok, error, "removed folder \"%s\"", folder);
    }
}

// A folder that only the installation makes: every file in it is ours.
void RemoveFolderFiles(Removals& r, const char* folder) noexcept {
    WIN32_FIND_DATAA entry{};
    Path path;
    wsprintfA(path, "%s\\*.*", folder);
    unique_hfind search(FindFirstFileA(path, &entry));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &entry)) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        wsprintfA(path, "%s\\%s", folder, entry.cFileName);
        RemoveFile(r, path);
    }
    search.reset();
    RemoveFolderIfEmpty(r, folder);
}

void RemoveValue(Removals& r, const char* key, const char* name) noexcept {
    const MachineKey k = OpenMachineKey(key);
    const LONG rc = k ? RegDeleteValueA(k.get(), name) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_FILE_NOT_FOUND) return;
    ++r.tally.found;
    runlog::Step(rc == ERROR_SUCCESS, static_cast<unsigned long>(rc), "registry: removed HKLM\\%s \"%s\"", key, name);
}

// The key with its subkeys; with `parents`, then each parent below the top
// key that is left with neither values nor subkeys.
void RemoveKey(Removals& r, const char* key, bool parents) noexcept {
    Path path;
    wsprintfA(path, "%s", key);
    for (bool first = true;; first = false) {
        char* cut = LastBackslash(path);
        if (!cut) return;
        DWORD subkeys = 0, values = 0;
        if (!first) {
            subkeys = values = 1;
            if (const MachineKey k = OpenMachineKey(path))
                RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr);
        }
        if (subkeys || values) return;
        *cut = '\0';
        const MachineKey parent = OpenMachineKey(path);
        const LONG rc = parent ? DeleteKeyTree(parent, cut + 1) : ERROR_FILE_NOT_FOUND;
        if (rc == ERROR_FILE_NOT_FOUND) return;
        r.tally.found += first;
        if (rc != ERROR_SUCCESS || !parents) return;
    }
}

// The group in the current user's and in the all-users Programs folder
// (none on a system without one: never the drive's root).
void RemoveGroups(Removals& r) noexcept {
    for (int id : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        com_ptr<IMalloc> alloc;
        unique_pidl folder;
        char programs[MAX_PATH] = {};
        if (FAILED(sysapi::SHGetMalloc(alloc.put())) || !alloc ||
            FAILED(sysapi::SHGetSpecialFolderLocation(nullptr, id, folder.put(alloc.get()))) || !folder ||
            !sysapi::SHGetPathFromIDListA(folder.get(), programs) || !*programs)
            continue;
        Path path;
        for (const char* shortcut : kGroupShortcuts) {
            wsprintfA(path, "%s%s%s", programs, kGroupFolder, shortcut);
            RemoveFile(r, path);
        }
        wsprintfA(path, "%s%s", programs, kGroupFolder);
        RemoveFolderIfEmpty(r, path);
    }
}

}  // namespace

RemovalTally RemoveInstallation(PlatformCode platform, const char* ownFolder) noexcept {
    Removals r;
    r.own = ownFolder;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    r.nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    char windows[MAX_PATH] = {}, system[MAX_PATH] = {};
    if (GetWindowsDirectoryA(windows, MAX_PATH) >= MAX_PATH) *windows = '\0';
    if (GetSystemDirectoryA(system, MAX_PATH) >= MAX_PATH) *system = '\0';
    // The kept copy's folder lies in the utility folder.
    Path kept, utility, path;
    wsprintfA(kept, "%s", KeptCopyFolder().c_str());
    wsprintfA(utility, "%s", kept);
    char* name = LastBackslash(utility);
    (name ? *name : *utility) = '\0';
    const char* const bases[] = {"", windows, system, utility};
    for (const RemovalItem& item : RemovalPlan(platform)) {
        // Never a path from the current drive's root.
        if (item.base != RemovalBase::None && !*bases[static_cast<int>(item.base)]) continue;
        wsprintfA(path, "%s%s", bases[static_cast<int>(item.base)], item.path);
        switch (item.what) {
        case Removal::File: RemoveFile(r, path); break;
        case Removal::FolderFiles: RemoveFolderFiles(r, path); break;
        case Removal::Value: RemoveValue(r, item.path, item.path + std::strlen(item.path) + 1); break;
        case Removal::KeyTree: RemoveKey(r, item.path, false); break;
        case Removal::KeyAndParents: RemoveKey(r, item.path, true); break;
        case Removal::Group: RemoveGroups(r); break;
        case Removal::Guide:
            for (const char* language : {"E", "C", "K"}) {
                wsprintfA(path, "%s\\%s%s.htm", utility, language, item.path);
                RemoveFile(r, path);
                wsprintfA(path, "%s\\%s%s.files", utility, language, item.path);
                RemoveFolderFiles(r, path);
            }
            break;
        case Removal::ReaderDriver: r.tally.found += RemoveReaderDriverFromSystem() ? 1 : 0; break;
        }
    }
    if (platform == 7 || platform == 9 || platform == 10)
        runlog::Line("what %s installed stays: its entry in Programs and Features removes it",
                     platform == 7 ? "XP64.exe" : platform == 9 ? "Vista32.exe" : "Vista64.exe");
    RemoveKey(r, kUninstallKey, false);
    if (*utility) {
        RemoveFolderFiles(r, kept);
        RemoveFolderIfEmpty(r, utility);
    }
    return r.tally;
}

}  // namespace rs
