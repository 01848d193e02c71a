#include "install/registry_steps.h"

namespace rs {

std::string BuildUninstallCommand(const std::string& windowsDirectory) {
    return "RunDll32 advpack.dll,LaunchINFSection " + windowsDirectory + "\\inf\\orvexunst.inf" + ", DefaultUninstall.NT";
}

}  // namespace rs
