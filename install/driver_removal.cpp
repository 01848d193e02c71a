#include "install/driver_removal.h"

namespace rs {

// Nothing is looked for yet.
bool RemoveReaderDriverFromSystem() { return false; }

}  // namespace rs
