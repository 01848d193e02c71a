// The harness's processes: the paths of a run (repository, build, scratch
// folder, the shared Xvfb), and programs run with extra environment entries
// and a deadline.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

struct Paths {
    std::string source;     // repository
    std::string buildRoot;  // BUILD_ROOT with win32/, win64/, host/
    std::string locpath;    // compiled locales
    std::string artifacts;  // screenshots and logs kept after the run
    std::string work;       // this binary's scratch folder under $TMPDIR (default /tmp)
    std::string medium;     // the laid-out sample medium (copied per test)
    std::string display;    // ":N" of the shared Xvfb
};
const Paths& GetPaths();

// A whole file; empty when it cannot be read.
std::string ReadAll(const std::string& path);
// A unix path as the prefix's programs reach it (drive Z:).
std::string WindowsPath(const std::string& unixPath);

struct CommandResult {
    int exitCode = -1;  // -1: killed after its timeout
    std::string output;  // stdout and stderr together
};

// Runs argv with extra environment entries ("NAME=value"), in cwd, killing
// it after timeoutMs.
CommandResult RunCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                         const std::string& cwd = "", int timeoutMs = 120000);

// DIR/NAME.pfx, DIR/NAME.pem and DIR/NAME.key: a throw-away self-signed
// certificate "CN=NAME" with `extensions` (lines of openssl's config) and
// its key, the PFX locked with `password`; `ca` adds options of openssl ca
// (-startdate, -enddate), `pkcs12` options of openssl pkcs12 -export.
CommandResult MakeSigner(const std::string& dir, const std::string& name, const std::string& password,
                         const std::string& extensions = "extendedKeyUsage=codeSigning", const std::string& ca = "",
                         const std::string& pkcs12 = "");

// What the harness's own files share.
namespace internal {

std::string Env(const char* name, const std::string& fallback = "");
std::string Lower(std::string s);
bool StartsWith(const std::string& s, const std::string& p);
// Undoes the \\ \" \n \r \t escapes of the robot's and Wine's quoted texts.
std::string Unescape(const std::string& s);
std::string ShellQuote(const std::string& s);
// The running test as "Suite.Name" ('/' made '_'); "global" outside a test.
std::string TestName();

// A child in a process group of its own, its output on the pipe `out` (-1
// when it goes to a log file).
struct Child {
    pid_t pid = -1;
    int out = -1;
};
Child Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& cwd,
            const std::string& logFile = "");
// Waits for a child; -1 after the timeout (its process group is killed).
int Reap(pid_t pid, int timeoutMs, std::string* output, int outFd);
// waitpid, and the child no longer tracked once it is waited for.
pid_t WaitChild(pid_t pid, int* status, int flags);

}  // namespace internal

}  // namespace e2e
