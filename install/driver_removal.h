// The reader's driver taken off a Plug and Play system (2000 and later).
#pragma once

namespace rs {

// Removes every device node of the reader's hardware ID and every driver
// package in the system's INF folder whose original INF is the reader's;
// each removal logged and counted. Whether anything of the reader's was found.
bool RemoveReaderDriverFromSystem();

}  // namespace rs
