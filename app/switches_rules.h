// setup.exe's switches for deployment tools: what the command line asks
// for, and what is wrong with it. Plain values, host-tested. An empty or
// all-blank command line asks for nothing: the program as a person runs it.
#pragma once
#include <cstddef>

namespace rs {

enum class RunMode { Interactive, Passive, Quiet };
// Ask: the system's restart prompt, as a person's run shows it.
enum class RestartChoice { Ask, Never, Force };

// Texts point into the arguments, which live as long as the process.
struct SetupSwitches {
    bool given = false;  // anything on the command line
    RunMode mode = RunMode::Interactive;
    RestartChoice restart = RestartChoice::Ask;
    const char* logPath = nullptr;  // nullptr: the default (unattended) or none
    bool acceptLicense = false;
    bool allUsers = false;  // also every unattended run
    const char* installerArgs = "";
    bool help = false;
    bool uninstall = false;  // remove the installation instead; always quiet
    // What is wrong with the command line, and the argument it is about;
    // nullptr: nothing.
    const char* problem = nullptr;
    const char* problemArgument = "";
};

inline bool Unattended(const SetupSwitches& s) { return s.mode != RunMode::Interactive; }

// The arguments after the program's name, as the C runtime splits them.
SetupSwitches ParseSwitches(int count, const char* const* args);

// The command line as the log shows it: the /installerargs value, which may
// carry an installer's password, is left out. Written into `line` (`size`
// bytes with the terminating NUL), cut where it does not fit; its length.
std::size_t CommandLineForLog(int count, const char* const* args, char* line, std::size_t size);

// %TEMP%\ORVEX-Setup.log: the folder GetTempPath gave, `length` characters
// in `path`, becomes the log's path (the buffer holds 28 more). A number
// other than 0 names the log taken instead when that name is a link:
// ORVEX-Setup-<alternative>.log.
void DefaultLogPath(char* path, std::size_t length, unsigned long alternative = 0);

// What the system tells about where this process's boxes would show.
struct ScreenFacts {
    bool stationKnown = false;    // the window station's flags were read
    bool stationVisible = false;  // WSF_VISIBLE: an interactive station
    bool sessionKnown = false;
    unsigned long session = 0;
    unsigned majorVersion = 0;
};
// Whether a person can see a box: not on a service's window station, nor
// in session 0 from Vista on, where only services run. What the system
// cannot tell (95, 98, Me have no window stations) counts as seen.
bool PersonCanSee(const ScreenFacts& facts);

}  // namespace rs
