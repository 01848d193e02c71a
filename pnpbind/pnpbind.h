// The binding library's one entry, exported by ordinal 1 only and imported
// by setup.exe at load time by that ordinal. It blocks until done; in a
// 32-bit process on 64-bit Windows it has pnpbind64.exe, beside the library,
// make the platform call.
#pragma once
#include <windows.h>

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired);
