// The binding library's one entry, exported by ordinal 1 only and imported
// by setup.exe at load time by that ordinal.
#pragma once
#include <windows.h>

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired);
