// The reader's driver taken off a system of the Plug and Play paths (2000
// and later) by the uninstall run.
#pragma once

namespace rs {

// Removes every device node of the reader's hardware ID and every driver
// package in the system's INF folder whose original INF is the reader's,
// through the binding library (its 64-bit helper on 64-bit Windows). Each
// removal is a step of the run's log; nothing found is no failure. True
// when anything of the reader's was found.
bool RemoveReaderDriverFromSystem();

}  // namespace rs
