// What a run with switches ends with: the exit codes deployment tools read,
// from what happened. Plain values, host-tested. A run without arguments
// ends with 0 whatever happened.
#pragma once
#include <cstdint>

namespace rs {

namespace exitcode {
inline constexpr std::uint32_t kInstalled = 0;
inline constexpr std::uint32_t kRestartNeeded = 3010;
inline constexpr std::uint32_t kRestartStarted = 1641;
inline constexpr std::uint32_t kNotInstalled = 1602;
inline constexpr std::uint32_t kFailed = 1603;
inline constexpr std::uint32_t kLogNotOpened = 1622;
inline constexpr std::uint32_t kAlreadyRunning = 1618;
inline constexpr std::uint32_t kUnsupported = 1633;
inline constexpr std::uint32_t kBadCommandLine = 1639;
inline constexpr std::uint32_t kNothingToRemove = 1605;  // msiexec's "product not installed"
}  // namespace exitcode

enum class RestartNeed { None, Needed, Started };

struct RunOutcome {
    bool badCommandLine = false;
    bool logNotOpened = false;  // nothing done: the log cannot be opened
    bool alreadyRunning = false;
    bool unsupported = false;
    bool declined = false;   // the licence not accepted, or a person said No
    bool failed = false;     // a step failed; the log says which
    bool completed = false;  // the path reached its end
    bool stagedOnly = false; // the driver waits, staged, for the reader's first plug-in
    RestartNeed restart = RestartNeed::None;
    std::uint64_t installedBytes = 0;  // the files this run copied into place, as registered
    bool removal = false;       // an /uninstall run
    bool nothingFound = false;  // it found nothing to remove
};

// Unattended runs that stop short of their end without a reason of their
// own have failed; a person's run that does so was left by that person.
std::uint32_t ExitCodeFor(const RunOutcome& outcome, bool unattended);

// The log's words for an exit code this program gives (of a removal run
// where it says so); empty for others.
const char* ExitCodeMeaning(std::uint32_t code, bool removal = false);

// A vendor installer's exit code taken into the outcome: 0 asks for the
// restart the run by hand offers, 3010 and 1641 say so themselves, anything
// else is a failure.
void TakeInstallerExit(RunOutcome& outcome, std::uint32_t installerExit);

}  // namespace rs
