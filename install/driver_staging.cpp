#include "install/driver_staging.h"

#include <windows.h>
#include <setupapi.h>

#include "base/handles.h"
#include "base/run_log.h"
#include "base/system_api.h"
#include "install/driver_staging_rules.h"
#include "install/file_deploy.h"
#include "install/program_files.h"
#include "install/program_files_rules.h"

namespace rs {

bool StageDriverPackage(const std::string& bindingInfPath) {
    // Paths as wsprintf writes them, 1024 characters at the most: far more
    // than the system takes in a path.
    char package[1025], from[1025], to[1025], kept[1025 + sizeof kKeptDriverFolderName];
    const std::size_t nameAt = InfNameAt(bindingInfPath);
    wsprintfA(package, "%s", nameAt ? bindingInfPath.c_str() : ".");
    if (nameAt) package[nameAt - 1 < 1024 ? nameAt - 1 : 1024] = '\0';
    wsprintfA(from, "%s\\*.*", package);
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA(from, &entry));
    if (!search) {
        runlog::Step(false, GetLastError(), "driver package \"%s\"", package);
        return false;
    }
    // Nothing is made before the package is found: the utility folder and
    // the kept folder in it. Their results are not looked at: a folder that
    // cannot be made fails the first copy into it, which is logged.
    const int utility =
        wsprintfA(kept, "%s%s", ProgramFilesFolder(WindowsDirectory()).c_str(), kUtilityFolderName);
    CreateDirectoryA(kept, nullptr);
    wsprintfA(kept + utility, kKeptDriverFolderName);
    CreateDirectoryA(kept, nullptr);
    // One level, as the medium lays the package out; the first failed copy ends it.
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        wsprintfA(from, "%s\\%s", package, entry.cFileName);
        wsprintfA(to, "%s\\%s", kept, entry.cFileName);
        if (!InstallFile(from, to)) return false;
    } while (FindNextFileA(search.get(), &entry));
    wsprintfA(from, "%s\\%s", kept, bindingInfPath.c_str() + nameAt);
    char copy[MAX_PATH] = {};
    const BOOL staged =
        sysapi::SetupCopyOEMInfA(from, nullptr, SPOST_PATH, 0, copy, sizeof copy, nullptr, nullptr);
    runlog::Step(staged, GetLastError(), "staged \"%s\" as \"%s\"", from, copy);
    return staged;
}

}  // namespace rs
