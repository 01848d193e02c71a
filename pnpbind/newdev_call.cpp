#include "pnpbind/newdev_call.h"

#include "base/handles.h"
#include "base/system_dll.h"

namespace rs::pnpbind {
namespace {

using UpdateDriverFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

}  // namespace

BOOL CallUpdateDriver(HWND parent, LPCSTR hardwareId, LPCSTR fullInfPath, DWORD flags, PBOOL restartRequired) {
    unique_hmodule newdev(LoadSystemDll("newdev.dll"));
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
