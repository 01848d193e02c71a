// Driver staging for a reader not plugged in yet: the package is kept under
// Program Files, since the medium will be gone by then, and handed to the
// system's driver preinstall, so that Windows installs it by itself when a
// reader is first plugged in.
#pragma once
#include <string>

namespace rs {

// Copies every file directly in the binding INF's folder into
// <Program Files>\ORVEX\Driver, then stages the INF there: DiInstallDriverA
// where the system has it, else (or when it refuses a 32-bit process on
// 64-bit Windows) SetupCopyOEMInfA. True when staged; restartNeeded as
// DiInstallDriverA reports it. A failed step ends it with false.
bool StageDriverPackage(const std::string& bindingInfPath, bool& restartNeeded);

}  // namespace rs
