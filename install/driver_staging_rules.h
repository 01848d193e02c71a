// Where the driver package is kept and staged from, without Windows.
#pragma once
#include <string>

namespace rs {

// The binding INF's folder (".\Drivers\winxp" and the like; "." for a bare
// name): the package, copied one level deep.
std::string DriverPackageFolder(const std::string& bindingInfPath);

// The binding INF's own name, which it keeps in the package's copy.
std::string InfFileName(const std::string& bindingInfPath);

// The folder under Program Files that keeps the package once the medium is
// gone; the INF is staged from there.
std::string KeptDriverFolder(const std::string& programFiles);

}  // namespace rs
