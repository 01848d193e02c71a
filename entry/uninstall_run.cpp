#include "entry/uninstall_run.h"

#include <windows.h>

#include "app/run_context.h"
#include "base/run_log.h"
#include "install/file_deploy.h"
#include "install/system_restart.h"
#include "install/uninstall.h"

namespace rs {

void RunUninstall(PlatformCode platform, const char* ownFolder) {
    // Off the folder the run may have started in, which may be one it removes.
    SetCurrentDirectoryA(WindowsDirectory().c_str());
    RunOutcome& outcome = Outcome();
    TakeRemovals(outcome, RemoveInstallation(platform, ownFolder));
    if (outcome.nothingFound && !RunFailed()) {
        runlog::Line("nothing of the reader's driver found: nothing changed");
    } else if (outcome.restart != RestartNeed::Needed) {
        return;
    } else if (RunFailed()) {
        runlog::Line("restart: pending for the removals that worked; not restarting, a removal failed");
    } else if (Switches().restart == RestartChoice::Force) {
        if (RestartSystem()) outcome.restart = RestartNeed::Started;
    } else {
        runlog::Line("restart: needed to finish the removal; not restarting");
    }
}

}  // namespace rs
