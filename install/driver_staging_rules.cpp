#include "install/driver_staging_rules.h"

namespace rs {

std::size_t InfNameAt(std::string_view bindingInfPath) {
    // No separator: npos + 1 is 0, the whole name.
    return bindingInfPath.find_last_of("\\/") + 1;
}

}  // namespace rs
