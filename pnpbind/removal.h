// The reader's driver removed from the system by this process's own setup
// API: every device node of its hardware ID, then every driver package in
// the system's INF folder whose original INF is the reader's. The library
// calls it directly, or its 64-bit helper on 64-bit Windows.
#pragma once
#include "pnpbind/pnpbind.h"

namespace rs::pnpbind {

// Each removal reported once (success, the system's error, its log text);
// true when anything of the reader's was found, whether or not its removal
// worked. Without the setup API nothing is found.
bool RemoveDriverHere(LPCSTR hardwareId, LPCSTR originalInf, PnpRemovalReportFn report, void* context);

}  // namespace rs::pnpbind
