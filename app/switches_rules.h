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
    bool allUsers = false;
    const char* installerArgs = "";
    bool help = false;
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
// in `path`, becomes the log's path (the buffer holds 17 more).
void DefaultLogPath(char* path, std::size_t length);

}  // namespace rs
