#include "base/system_api.h"

#include "base/system_dll.h"

namespace rs::sysapi {
namespace {

constexpr char kOle32[] = "ole32.dll";
constexpr char kShell32[] = "shell32.dll";
constexpr char kSetupApi[] = "setupapi.dll";
constexpr char kVersion[] = "version.dll";

}  // namespace

HRESULT CoInitialize(LPVOID reserved) {
    static const auto fn = KeptSystemEntry<HRESULT(WINAPI*)(LPVOID)>(kOle32, "CoInitialize");
    return fn ? fn(reserved) : E_FAIL;
}

void CoUninitialize() {
    static const auto fn = KeptSystemEntry<void(WINAPI*)()>(kOle32, "CoUninitialize");
    if (fn) fn();
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
    static const auto fn =
        KeptSystemEntry<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(kOle32, "CoCreateInstance");
    if (fn) return fn(clsid, outer, context, iid, object);
    if (object) *object = nullptr;
    return E_FAIL;
}

HRESULT SHGetMalloc(IMalloc** malloc) {
    static const auto fn = KeptSystemEntry<HRESULT(WINAPI*)(IMalloc**)>(kShell32, "SHGetMalloc");
    if (fn) return fn(malloc);
    if (malloc) *malloc = nullptr;
    return E_FAIL;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
    static const auto fn =
        KeptSystemEntry<HRESULT(WINAPI*)(HWND, int, LPITEMIDLIST*)>(kShell32, "SHGetSpecialFolderLocation");
    if (fn) return fn(owner, folder, list);
    if (list) *list = nullptr;
    return E_FAIL;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
    static const auto fn = KeptSystemEntry<BOOL(WINAPI*)(LPCITEMIDLIST, LPSTR)>(kShell32, "SHGetPathFromIDListA");
    if (fn) return fn(list, path);
    if (path) *path = '\0';
    return FALSE;
}

HRESULT SHGetDesktopFolder(IShellFolder** folder) {
    static const auto fn = KeptSystemEntry<HRESULT(WINAPI*)(IShellFolder**)>(kShell32, "SHGetDesktopFolder");
    if (fn) return fn(folder);
    if (folder) *folder = nullptr;
    return E_FAIL;
}

INT SetupPromptReboot(void* fileQueue, HWND owner, BOOL scanOnly) {
    static const auto fn = KeptSystemEntry<INT(WINAPI*)(void*, HWND, BOOL)>(kSetupApi, "SetupPromptReboot");
    return fn ? fn(fileQueue, owner, scanOnly) : -1;
}

BOOL SetupCopyOEMInfA(LPCSTR sourceInf, LPCSTR mediaLocation, DWORD mediaType, DWORD copyStyle, LPSTR destination,
                      DWORD destinationSize, PDWORD requiredSize, LPSTR* destinationComponent) {
    static const auto fn = KeptSystemEntry<BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD, DWORD, LPSTR, DWORD, PDWORD, LPSTR*)>(
        kSetupApi, "SetupCopyOEMInfA");
    if (fn)
        return fn(sourceInf, mediaLocation, mediaType, copyStyle, destination, destinationSize, requiredSize,
                  destinationComponent);
    if (destination && destinationSize) *destination = '\0';
    SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
}

DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle) {
    static const auto fn = KeptSystemEntry<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(kVersion, "GetFileVersionInfoSizeA");
    return fn ? fn(file, handle) : 0;
}

BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data) {
    static const auto fn =
        KeptSystemEntry<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(kVersion, "GetFileVersionInfoA");
    return fn ? fn(file, handle, size, data) : FALSE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
    static const auto fn =
        KeptSystemEntry<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>(kVersion, "VerQueryValueA");
    if (fn) return fn(block, subBlock, buffer, length);
    if (buffer) *buffer = nullptr;
    return FALSE;
}

}  // namespace rs::sysapi
