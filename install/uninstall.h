// /uninstall's removals: what an installation on this platform wrote,
// found on the machine by the path's tables (also one made by hand, never
// registered), each removal one log line.
#pragma once
#include "install/uninstall_rules.h"

namespace rs {

// The platform's plan, then the registration and the kept copy, then the
// utility folder where nothing else is left in it. A file in use goes at
// the next restart; the files of `ownFolder` (the running setup.exe's)
// are not counted as needing it.
RemovalTally RemoveInstallation(PlatformCode platform, const char* ownFolder) noexcept;

}  // namespace rs
