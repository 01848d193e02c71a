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
    const std::string folder = DriverPackageFolder(bindingInfPath), package = folder + "\\";
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA((package + "*.*").c_str(), &entry));
    if (!search) {
        runlog::Step(false, GetLastError(), "driver package \"%s\"", folder.c_str());
        return false;
    }
    // Nothing is made before the package is found: the kept folder and its
    // parent, the utility folder. Their results are not looked at: a folder
    // that cannot be made fails the first copy into it, which is logged.
    const std::string kept = KeptDriverFolder(ProgramFilesFolder(WindowsDirectory())) + "\\";
    CreateDirectoryA(kept.substr(0, kept.rfind('\\', kept.size() - 2)).c_str(), nullptr);
    CreateDirectoryA(kept.c_str(), nullptr);
    // One level, as the medium lays the package out; the first failed copy ends it.
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !InstallFile(package + entry.cFileName, kept + entry.cFileName))
            return false;
    } while (FindNextFileA(search.get(), &entry));
    const std::string inf = kept + InfFileName(bindingInfPath);
    char copy[MAX_PATH] = {};
    const BOOL staged =
        sysapi::SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, 0, copy, sizeof copy, nullptr, nullptr);
    runlog::Step(staged, GetLastError(), "staged \"%s\" as \"%s\"", inf.c_str(), copy);
    return staged;
}

}  // namespace rs
