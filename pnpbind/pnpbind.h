// The binding library's entries, exported by ordinal only. Ordinal 1 binds;
// setup.exe imports it at load time by that ordinal. Ordinal 2 removes the
// driver again; setup.exe looks it up at run time. Both block until done; in
// a 32-bit process on 64-bit Windows they have pnpbind64.exe, beside the
// library, make the platform calls.
#pragma once
#include <windows.h>

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired);

// Called once per removal: whether it worked, the system's error code when
// not, and a line for the log naming what was removed.
typedef void(CALLBACK* PnpRemovalReportFn)(void* context, BOOL ok, DWORD error, LPCSTR what);

// Removes every device node whose hardware IDs hold hardwareId, then every
// driver package in the system's INF folder whose original INF file is
// named originalInf (a file name) and names hardwareId. TRUE when anything
// of the kind was found, whether or not its removal worked.
extern "C" BOOL WINAPI PnpRemoveDriver(LPCSTR hardwareId, LPCSTR originalInf, PnpRemovalReportFn report, void* context);
