// The shell, COM, setup API and version entries the installation uses,
// reached at run time: shell32, ole32, setupapi and version are needed only
// once the user has chosen Yes, and loading them at start-up would delay
// the first window.
// Each behaves as the system's own; a missing DLL or entry reads as a
// failure (E_FAIL, FALSE, -1) with the out-parameter cleared.
#pragma once
#include <windows.h>
#include <shlobj.h>

namespace rs::sysapi {

HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);

HRESULT SHGetMalloc(IMalloc** malloc);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
HRESULT SHGetDesktopFolder(IShellFolder** folder);

// The setup API's restart prompt (file queue: none here).
INT SetupPromptReboot(void* fileQueue, HWND owner, BOOL scanOnly);

// The setup API's driver preinstall: copies an INF into the system's inf
// folder (and, from Vista on, the driver store). Missing: FALSE with
// ERROR_PROC_NOT_FOUND and the name cleared.
BOOL SetupCopyOEMInfA(LPCSTR sourceInf, LPCSTR mediaLocation, DWORD mediaType, DWORD copyStyle, LPSTR destination,
                      DWORD destinationSize, PDWORD requiredSize, LPSTR* destinationComponent);

// version.dll: a file's version resource (read only once a system file
// may be replaced).
DWORD GetFileVersionInfoSizeA(LPCSTR file, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR file, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

}  // namespace rs::sysapi
