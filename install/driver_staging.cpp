#include "install/driver_staging.h"

#include <windows.h>
#include <setupapi.h>

#include "base/handles.h"
#include "base/run_log.h"
#include "base/system_api.h"
#include "base/system_dll.h"
#include "install/driver_staging_rules.h"
#include "install/file_deploy.h"
#include "install/program_files.h"
#include "install/program_files_rules.h"

namespace rs {
namespace {

// DiInstallDriver's answer to a 32-bit process on 64-bit Windows.
constexpr DWORD kErrorInWow64 = 0xE0000235;

// `staged "<inf>": ok, as "<copy>"`, just `ok` where the system names no
// copy, or `failed, error <n>`.
void LogStaged(const std::string& inf, BOOL staged, DWORD error, const char* copy) {
    if (staged && *copy)
        runlog::Line("staged \"%s\": ok, as \"%s\"", inf.c_str(), copy);
    else
        runlog::Step(staged, error, "staged \"%s\"", inf.c_str());
}

bool StageInf(const std::string& inf, bool& restartNeeded) {
    // Vista and later; a 32-bit process on 64-bit Windows is refused.
    static const auto diInstallDriver =
        KeptSystemEntry<BOOL(WINAPI*)(HWND, LPCSTR, DWORD, PBOOL)>("newdev.dll", "DiInstallDriverA");
    if (diInstallDriver) {
        BOOL reboot = FALSE;
        const BOOL staged = diInstallDriver(nullptr, inf.c_str(), 0, &reboot);
        const DWORD error = GetLastError();
        if (staged || error != kErrorInWow64) {
            restartNeeded = staged && reboot;
            LogStaged(inf, staged, error, "");
            return staged;
        }
    }
    char destination[MAX_PATH] = {};
    const BOOL staged = sysapi::SetupCopyOEMInfA(inf.c_str(), nullptr, SPOST_PATH, 0, destination, sizeof destination,
                                                 nullptr, nullptr);
    LogStaged(inf, staged, GetLastError(), destination);
    return staged;
}

}  // namespace

bool StageDriverPackage(const std::string& bindingInfPath, bool& restartNeeded) {
    restartNeeded = false;
    const std::string package = DriverPackageFolder(bindingInfPath);
    WIN32_FIND_DATAA entry{};
    unique_hfind search(FindFirstFileA((package + "\\*.*").c_str(), &entry));
    if (!search) {
        runlog::Step(false, GetLastError(), "driver package \"%s\"", package.c_str());
        return false;
    }
    // Nothing is made before the package is found: the kept folder and its
    // parent, the utility folder. Their results are not looked at: a folder
    // that cannot be made fails the first copy into it, which is logged.
    const std::string kept = KeptDriverFolder(ProgramFilesFolder(WindowsDirectory()));
    CreateDirectoryA(kept.substr(0, kept.find_last_of('\\')).c_str(), nullptr);
    CreateDirectoryA(kept.c_str(), nullptr);
    // One level, as the medium lays the package out; the first failed copy ends it.
    std::string source = package + "\\", destination = kept + "\\";
    const std::size_t sourceFolder = source.size(), destinationFolder = destination.size();
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        source.resize(sourceFolder);
        destination.resize(destinationFolder);
        if (!InstallFile(source += entry.cFileName, destination += entry.cFileName)) return false;
    } while (FindNextFileA(search.get(), &entry));
    destination.resize(destinationFolder);
    return StageInf(destination += InfFileName(bindingInfPath), restartNeeded);
}

}  // namespace rs
