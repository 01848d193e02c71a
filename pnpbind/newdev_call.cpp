#include "pnpbind/newdev_call.h"

#include "base/handles.h"

#include <string>

namespace rs::pnpbind {
namespace {

using UpdateDriverFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

}  // namespace

BOOL CallUpdateDriver(HWND parent, LPCSTR hardwareId, LPCSTR fullInfPath, DWORD flags, PBOOL restartRequired) {
    char sysdir[MAX_PATH];
    UINT n = GetSystemDirectoryA(sysdir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    std::string dll = std::string(sysdir, n) + "\\newdev.dll";
    // newdev's own imports are looked for in its folder first, not in this
    // program's folder (the installation medium) as a plain load would.
    unique_hmodule newdev(LoadLibraryExA(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!newdev) return FALSE;
    auto update = reinterpret_cast<UpdateDriverFn>(
        reinterpret_cast<void*>(GetProcAddress(newdev.get(), "UpdateDriverForPlugAndPlayDevicesA")));
    if (update == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    BOOL ok = update(parent, hardwareId, fullInfPath, flags, restartRequired);
    // FreeLibrary must not overwrite the call's own error code.
    DWORD error = GetLastError();
    newdev.reset();
    SetLastError(error);
    return ok;
}

}  // namespace rs::pnpbind
