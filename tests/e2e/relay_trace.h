// What Wine hides from a window or an audit, read from its relay trace: the
// arguments of setup.exe's own calls into chosen system functions, and when
// each call was made. Wine's debug keys (HKCU\Software\Wine\Debug) keep the
// trace to those functions and to calls from setup.exe; the channel itself is
// on for setup.exe's run only.
#pragma once
#include <string>
#include <vector>

#include "tests/e2e/install_support.h"

namespace e2e {

struct RelayCall {
    double at = 0;         // seconds on Wine's trace clock (TraceClockNow)
    std::string function;  // "user32.SendMessageA": the DLL in lower case
    std::vector<std::string> args;  // as traced: "0001007c", or "00b85f48 \"text\""
    std::string retval;    // hex, empty when the call has not returned
    // An argument's number, or the text it points to (unescaped; empty for
    // a number).
    unsigned long Word(size_t i) const;
    std::string Text(size_t i) const;
};

// The calls traced in a run's output, of the process that loaded pnpbind.dll
// (setup.exe: programs it starts inherit the channel and share the output).
std::vector<RelayCall> ParseRelayCalls(const std::string& output);

// Now on the clock of Wine's timestamps (the system's raw monotonic clock).
double TraceClockNow();

class RelayTracedTest : public install_e2e::InstallTest {
protected:
    // Traces setup.exe's calls into functions ("user32.SetTimer;..."),
    // outside the audit.
    void TraceCalls(const std::string& functions);
    // setup.exe with the relay channel, timestamps, and the setup API's
    // fixme channel (RestartPrompts).
    void StartRelayTraced();
    // The traced calls of one function so far, in order.
    std::vector<RelayCall> Calls(const std::string& function) const;
};

}  // namespace e2e
