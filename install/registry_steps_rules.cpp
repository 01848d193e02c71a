#include "install/registry_steps.h"

namespace rs {

std::string BuildUninstallCommand(const std::string& windowsDirectory) {
    return kUninstallCommandHead + windowsDirectory + kUninstallCommandTail;
}

}  // namespace rs
