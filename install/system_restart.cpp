#include "install/system_restart.h"

#include <windows.h>

#include "app/platform.h"
#include "base/handles.h"
#include "base/run_log.h"

namespace rs {
namespace {

// advapi32's token entries, looked up at run time: Windows 95 lacks them.
// The program imports advapi32 already, so it is loaded.
void EnableShutdownPrivilege() {
    const HMODULE advapi32 = GetModuleHandleA("advapi32.dll");
    const auto openProcessToken = reinterpret_cast<BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE)>(
        reinterpret_cast<void*>(GetProcAddress(advapi32, "OpenProcessToken")));
    const auto lookupPrivilegeValue = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID)>(
        reinterpret_cast<void*>(GetProcAddress(advapi32, "LookupPrivilegeValueA")));
    const auto adjustTokenPrivileges =
        reinterpret_cast<BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD)>(
            reinterpret_cast<void*>(GetProcAddress(advapi32, "AdjustTokenPrivileges")));
    if (!openProcessToken || !lookupPrivilegeValue || !adjustTokenPrivileges) return;
    unique_handle token;
    if (!openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!lookupPrivilegeValue(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) return;
    // Without the privilege in the token this "succeeds" with
    // ERROR_NOT_ALL_ASSIGNED; ExitWindowsEx then reports the refusal.
    adjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
}

}  // namespace

bool RestartSystem() {
    if (DetectPlatform() > 3) EnableShutdownPrivilege();  // the NT family
    const BOOL started = ExitWindowsEx(EWX_REBOOT, 0);
    // Refused, the installation still stands; 3010 says a restart is due.
    runlog::Warning(started, GetLastError(), "restart started");
    return started != FALSE;
}

}  // namespace rs
