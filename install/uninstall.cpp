#include "install/uninstall.h"

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "base/handles.h"
#include "base/run_log.h"
#include "base/system_api.h"
#include "install/driver_removal.h"
#include "install/file_deploy.h"
#include "install/program_files.h"
#include "install/program_files_rules.h"
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
    Path pending[8] = {};
    unsigned pendingCount = 0;
    bool nt = false;
};

bool Exists(const char* path, bool folder) {
    const DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && ((a & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// 95, 98 and Me delete at their next start what WININIT.INI's [rename]
// section names with NUL, by its short name.
bool DeleteAtStart9x(const char* path) {
    char shortPath[MAX_PATH];
    const DWORD n = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (n == 0 || n >= sizeof shortPath) return false;
    const std::string name = WindowsDirectory() + "\\WININIT.INI";
    std::string ini;
    {
        unique_hfile in(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        char block[512];
        DWORD got = 0;
        while (in && ReadFile(in.get(), block, sizeof block, &got, nullptr) && got > 0) ini.append(block, got);
    }
    ini = WininitWithRemoval(ini, shortPath);
    unique_hfile out(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return out && WriteFile(out.get(), ini.data(), static_cast<DWORD>(ini.size()), &written, nullptr) &&
           written == ini.size();
}

// The system's delayed delete; a folder goes once what was in it has gone.
bool DeleteAtRestart(Removals& r, const char* path, bool folder) {
    const bool done = r.nt ? MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE
                           : !folder && DeleteAtStart9x(path);
    if (!done) return false;
    if (r.pendingCount < std::size(r.pending)) wsprintfA(r.pending[r.pendingCount++], "%s", path);
    // The run's own files, and folders that wait for their files, need no restart of their own.
    const char* name = std::strrchr(path, '\\');
    if (!folder && !SamePath(std::string_view(path, static_cast<std::size_t>(name - path)), r.own)) ++r.tally.delayed;
    runlog::Step(true, 0, "removed at the next restart, in use: \"%s\"", path);
    return true;
}

void RemoveFile(Removals& r, const char* path) {
    if (!Exists(path, false)) return;
    ++r.tally.found;
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    const BOOL ok = DeleteFileA(path);
    DWORD error = ok ? 0 : GetLastError();
    if (!ok && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)) {
        if (DeleteAtRestart(r, path, false)) return;
        error = GetLastError();
    }
    runlog::Step(ok, error, "removed \"%s\"", path);
}

// A folder goes when nothing is left in it but what waits for the restart;
// anything else in it is not ours, and keeps it.
void RemoveFolderIfEmpty(Removals& r, const char* folder) {
    if (!Exists(folder, true)) return;
    WIN32_FIND_DATAA entry{};
    Path path;
    wsprintfA(path, "%s\\*.*", folder);
    bool waiting = false;
    {
        unique_hfind search(FindFirstFileA(path, &entry));
        for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.get(), &entry)) {
            if (!std::strcmp(entry.cFileName, ".") || !std::strcmp(entry.cFileName, "..")) continue;
            wsprintfA(path, "%s\\%s", folder, entry.cFileName);
            bool pending = false;
            for (unsigned i = 0; i < r.pendingCount; ++i) pending = pending || SamePath(r.pending[i], path);
            if (!pending) {
                runlog::Line("kept \"%s\": it holds \"%s\", which the installation did not write", folder,
                             entry.cFileName);
                return;
            }
            waiting = true;
        }
    }
    ++r.tally.found;
    if (waiting && DeleteAtRestart(r, folder, true)) return;
    const BOOL ok = !waiting && RemoveDirectoryA(folder);
    runlog::Step(ok, ok ? 0 : waiting ? ERROR_DIR_NOT_EMPTY : GetLastError(), "removed folder \"%s\"", folder);
}

// A folder that only the installation makes: every file in it is ours.
void RemoveFolderFiles(Removals& r, const char* folder) {
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

void RemoveValue(Removals& r, const char* key, const char* name) {
    const MachineKey k = OpenMachineKey(key);
    const LONG rc = k ? RegDeleteValueA(k.get(), name) : ERROR_FILE_NOT_FOUND;
    if (rc == ERROR_FILE_NOT_FOUND) return;
    ++r.tally.found;
    runlog::Step(rc == ERROR_SUCCESS, static_cast<unsigned long>(rc), "registry: removed HKLM\\%s \"%s\"", key, name);
}

// The key with its subkeys; with `parents`, then each parent below the top
// key that is left with neither values nor subkeys.
void RemoveKey(Removals& r, const char* key, bool parents) {
    Path parent;
    wsprintfA(parent, "%s", key);
    char* cut = std::strrchr(parent, '\\');
    *cut = '\0';
    LONG rc = ERROR_FILE_NOT_FOUND;
    if (const MachineKey k = OpenMachineKey(parent)) rc = DeleteKeyTree(k, cut + 1);
    if (rc == ERROR_FILE_NOT_FOUND) return;
    ++r.tally.found;
    while (parents && rc == ERROR_SUCCESS && (cut = std::strrchr(parent, '\\')) != nullptr) {
        DWORD subkeys = 1, values = 1;
        if (const MachineKey k = OpenMachineKey(parent))
            RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
        if (subkeys || values) return;
        rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent);
        runlog::Step(rc == ERROR_SUCCESS, static_cast<unsigned long>(rc), "registry: removed empty key HKLM\\%s",
                     parent);
        *cut = '\0';
    }
}

// The group in the current user's and in the all-users Programs folder
// (none on a system without one: never the drive's root).
void RemoveGroups(Removals& r) {
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

RemovalTally RemoveInstallation(PlatformCode platform, const char* ownFolder) {
    Removals r;
    r.own = ownFolder;
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    r.nt = version.dwPlatformId == VER_PLATFORM_WIN32_NT;
    // Looked up, never made: a removal changes nothing that is not there.
    const std::string windows = WindowsDirectory(), system = SystemDirectory();
    std::string programFiles;
    if (!ReadProgramFilesDir(programFiles)) programFiles = FallbackProgramFiles(windows);
    Path utility, path;
    wsprintfA(utility, "%s%s", programFiles.c_str(), kUtilityFolderName);
    const char* const bases[] = {"", windows.c_str(), system.c_str(), utility};
    for (const RemovalItem& item : RemovalPlan(platform)) {
        wsprintfA(path, "%s%s", bases[static_cast<int>(item.base)], item.path);
        switch (item.what) {
        case Removal::File: RemoveFile(r, path); break;
        case Removal::FolderFiles: RemoveFolderFiles(r, path); break;
        case Removal::Value: RemoveValue(r, item.path, item.value); break;
        case Removal::KeyTree: RemoveKey(r, item.path, false); break;
        case Removal::KeyAndParents: RemoveKey(r, item.path, true); break;
        case Removal::Group: RemoveGroups(r); break;
        case Removal::ReaderDriver: r.tally.found += RemoveReaderDriverFromSystem() ? 1 : 0; break;
        }
    }
    if (platform == 7 || platform == 9 || platform == 10)
        runlog::Line("what the vendor's installer (%s) wrote stays: its own entry in Programs and Features removes it",
                     platform == 7 ? "XP64.exe" : platform == 9 ? "Vista32.exe" : "Vista64.exe");
    RemoveKey(r, kUninstallKey, false);
    RemoveFolderFiles(r, KeptCopyFolder().c_str());
    RemoveFolderIfEmpty(r, utility);
    return r.tally;
}

}  // namespace rs
