#include "entry/uninstall_run.h"

#include <windows.h>

#include "app/run_context.h"
#include "install/binding.h"
#include "install/uninstall.h"

namespace rs {

void RunUninstall(PlatformCode platform, const char* ownFolder) noexcept {
    // Off the folder the run may have started in, which may be one it removes.
    char windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) SetCurrentDirectoryA(windows);
    const RemovalTally tally = RemoveInstallation(platform, ownFolder);
    TakeRemovals(Outcome(), tally);
    // Never restarted after a failure; /forcerestart restarts, else 3010.
    if (tally.delayed) OfferRestart(nullptr);
}

}  // namespace rs
