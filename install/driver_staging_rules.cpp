#include "install/driver_staging_rules.h"

#include "install/program_files_rules.h"

namespace rs {

std::string DriverPackageFolder(const std::string& bindingInfPath) {
    const auto at = bindingInfPath.find_last_of("\\/");
    return at == std::string::npos ? std::string(".") : bindingInfPath.substr(0, at);
}

std::string InfFileName(const std::string& bindingInfPath) {
    // No separator: npos + 1 is 0, the whole name.
    return bindingInfPath.substr(bindingInfPath.find_last_of("\\/") + 1);
}

std::string KeptDriverFolder(const std::string& programFiles) {
    return programFiles + kUtilityFolderName + "\\Driver";
}

}  // namespace rs
