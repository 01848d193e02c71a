// Driver staging for a reader not plugged in yet: the package is kept under
// Program Files, since the medium will be gone by then, and handed to the
// system's driver preinstall, so that Windows installs it by itself when a
// reader is first plugged in.
#pragma once
#include <string>

namespace rs {

// Copies every file directly in the binding INF's folder into
// <Program Files>\ORVEX\Driver, then stages the INF there through the setup
// API's SetupCopyOEMInf, which every system that binds has (Windows 2000 on;
// from Vista on it also imports the package into the driver store, from a
// 32-bit process on 64-bit Windows too). True when staged; a failed step
// ends it with false. The system asks for no restart for it.
bool StageDriverPackage(const std::string& bindingInfPath);

}  // namespace rs
