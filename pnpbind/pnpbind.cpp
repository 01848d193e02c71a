#include "pnpbind/pnpbind.h"

#include <string>

namespace {

using UpdateDriverFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);

// A relative INF path is taken against the current directory: the platform
// function wants a full path.
std::string AbsoluteInfPath(LPCSTR infPath) {
    DWORD need = GetFullPathNameA(infPath, 0, nullptr, nullptr);
    if (need == 0) return infPath;
    std::string full(need, '\0');
    DWORD got = GetFullPathNameA(infPath, need, full.data(), nullptr);
    if (got == 0 || got >= need) return infPath;
    full.resize(got);
    return full;
}

}  // namespace

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired) {
    if (hardwareId == nullptr || infPath == nullptr) return FALSE;
    std::string full = AbsoluteInfPath(infPath);
    // newdev is loaded by its full system path and looked up at run time:
    // the oldest systems lack it.
    char sysdir[MAX_PATH];
    UINT n = GetSystemDirectoryA(sysdir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    std::string dll = std::string(sysdir, n) + "\\newdev.dll";
    HMODULE newdev = LoadLibraryA(dll.c_str());
    if (newdev == nullptr) return FALSE;
    auto update = reinterpret_cast<UpdateDriverFn>(reinterpret_cast<void*>(GetProcAddress(newdev, "UpdateDriverForPlugAndPlayDevicesA")));
    BOOL ok = FALSE;
    if (update != nullptr) ok = update(parent, hardwareId, full.c_str(), flags, restartRequired);
    FreeLibrary(newdev);
    return ok;
}
