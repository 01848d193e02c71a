// The run log that administrators keep: off unless a log file was named or
// the run is unattended. Every line is written through at once, so that a
// killed run's log shows how far it got; a log that cannot be written
// never stops the installation. Every step's result comes here, so that
// its line and the run's count of failed steps always go together.
#pragma once

#include "base/run_log_rules.h"

namespace rs::runlog {

// Appends to `path` from now on, its missing folders made; false (and the
// log stays off) when the file cannot be opened or is reached through a
// link (LogFileUsable).
bool Open(const char* path);

// One line with the local date and time, its text formatted as the
// system's wsprintf formats (%s, %lu, %08lX; at most 1024 characters);
// nothing while the log is off. The caller's last error is kept.
void Line(const char* format, ...);

// A step's line, followed by ": ok" or ": failed, error <code>"; a
// failure is counted, also while the log is off.
void Step(bool ok, unsigned long error, const char* format, ...);

// A step whose failure leaves the run's result as it is: ": warning, ...".
void Warning(bool ok, unsigned long error, const char* format, ...);

// A step of another kind (see StepKind): what is already there, or not
// there to remove, is no failure.
void Result(StepKind kind, bool ok, unsigned long error, const char* format, ...);

// Failed steps since the start, or since the last ForgetFailures (a
// person's new attempt starts afresh).
unsigned long Failures();
void ForgetFailures();

}  // namespace rs::runlog
