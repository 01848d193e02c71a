#include "install/system_restart.h"
namespace rs {
bool RestartSystem() { return false; }
}
