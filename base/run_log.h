// The run log that administrators keep: off unless a log file was named or
// the run is unattended. Every line is written through at once, so that a
// killed run's log shows how far it got; a log that cannot be written
// never stops the installation.
#pragma once

namespace rs::runlog {

// Appends to `path` from now on, its missing folders made; false (and the
// log stays off) when the file cannot be opened or is reached through a
// link (LogFileUsable).
bool Open(const char* path);

// One line with the local date and time, its text formatted as the
// system's wsprintf formats (%s, %lu, %08lX; at most 1024 characters);
// nothing while the log is off. The caller's last error is kept.
void Line(const char* format, ...);

// The same for a step, followed by ": ok" or ": failed, error <code>".
void Step(bool ok, unsigned long error, const char* format, ...);

}  // namespace rs::runlog
