#include "install/driver_staging.h"
namespace rs {
bool StageDriverPackage(const std::string&, bool& restartNeeded) { restartNeeded = false; return false; }
}
