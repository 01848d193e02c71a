#include "app/outcome_rules.h"

namespace rs {

std::uint32_t ExitCodeFor(const RunOutcome& o, bool unattended) {
    using namespace exitcode;
    if (o.badCommandLine) return kBadCommandLine;
    if (o.logNotOpened) return kLogNotOpened;
    if (o.alreadyRunning) return kAlreadyRunning;
    if (o.unsupported) return kUnsupported;
    if (o.failed) return kFailed;
    if (o.nothingFound) return kNothingToRemove;
    if (o.declined) return kNotInstalled;
    if (!o.completed) return unattended ? kFailed : kNotInstalled;
    if (o.restart == RestartNeed::Started) return kRestartStarted;
    if (o.restart == RestartNeed::Needed) return kRestartNeeded;
    return kInstalled;
}

const char* ExitCodeMeaning(std::uint32_t code, bool removal) {
    if (removal) {
        switch (code) {
            case exitcode::kInstalled: return "removed";
            case exitcode::kRestartNeeded: return "removed, restart needed";
            case exitcode::kRestartStarted: return "removed, restart started";
            default: break;
        }
    }
    switch (code) {
        case exitcode::kNothingToRemove: return "nothing of the reader's driver found (nothing changed)";
        case exitcode::kInstalled: return "installed";
        case exitcode::kRestartNeeded: return "installed, restart needed";
        case exitcode::kRestartStarted: return "installed, restart started";
        case exitcode::kNotInstalled: return "not installed (licence not accepted, or declined)";
        case exitcode::kFailed: return "failed";
        case exitcode::kLogNotOpened: return "the log cannot be opened (nothing changed)";
        case exitcode::kAlreadyRunning: return "another setup runs";
        case exitcode::kUnsupported: return "system not supported";
        case exitcode::kBadCommandLine: return "wrong command line";
        default: return "";
    }
}

void TakeInstallerExit(RunOutcome& outcome, std::uint32_t installerExit) {
    switch (installerExit) {
        case exitcode::kInstalled:
        case exitcode::kRestartNeeded:
            outcome.restart = RestartNeed::Needed;
            break;
        case exitcode::kRestartStarted:
            outcome.restart = RestartNeed::Started;
            break;
        default:
            outcome.failed = true;
            break;
    }
}

}  // namespace rs
