// /uninstall: the removal run for deployment tools, after switches_run.cpp
// has opened its log and checked its command line.
#pragma once
#include "app/platform_rules.h"

namespace rs {

// Removes this platform's installation (the medium is not needed) and puts
// the result into the run's outcome. `ownFolder`: the running setup.exe's.
void RunUninstall(PlatformCode platform, const char* ownFolder) noexcept;

}  // namespace rs
