// The system restart that the restart prompt starts once its answer is Yes.
#pragma once

namespace rs {

// On the NT family enables this process's shutdown privilege first, then
// asks for the restart (ExitWindowsEx with EWX_REBOOT, which returns before
// the session ends). True when the system took the request.
bool RestartSystem();

}  // namespace rs
