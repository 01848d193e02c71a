// The platform's Plug and Play driver update, reached at run time through
// newdev loaded by its full system path: the oldest systems lack it.
#pragma once
#include <windows.h>

namespace rs::pnpbind {

// Forwards to newdev's UpdateDriverForPlugAndPlayDevicesA of this process's
// own width; FALSE when newdev or the entry is missing.
BOOL CallUpdateDriver(HWND parent, LPCSTR hardwareId, LPCSTR fullInfPath, DWORD flags, PBOOL restartRequired);

}  // namespace rs::pnpbind
