// End-to-end harness: runs setup.exe under Wine in a fresh prefix with a
// fresh copy of the sample installation medium, drives it with the robot
// (a Win32 console program of the tests in the same prefix), and audits what
// the run changed in drive_c and in the registry.
//
// One Xvfb server is shared by all tests of the binary (a free display number
// chosen by Xvfb itself). Shards of the binary may run at once: each has its
// own scratch folder, Xvfb, prefixes and HOME. The prefixes leave windows to
// no window manager (rs_unmanaged_windows), so a program ends as soon as it
// has closed its windows. Locations come from the build tree the binary lives
// in (BUILD_ROOT/host/e2e_tests); env overrides: RS_BUILD_ROOT, RS_SOURCE_DIR,
// RS_LOCPATH, RS_ARTIFACTS, RS_E2E_KEEP=1 (keep the prefixes for inspection).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
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

// --- processes ---------------------------------------------------------------

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

// --- robot output ----------------------------------------------------------------

// One robot line: "<kind> key=value key="quoted value" ...".
struct RobotLine {
    std::string kind;
    std::map<std::string, std::string> fields;
    std::string Get(const std::string& key) const;
    long Int(const std::string& key) const;  // 0 when missing
};
RobotLine ParseRobotLine(const std::string& line);

struct RobotResult {
    int exitCode = -1;
    std::vector<RobotLine> lines;
    std::string raw;
    bool Ok() const { return exitCode == 0; }
    // The n-th line of a kind (0-based); nullopt when missing.
    std::optional<RobotLine> Find(const std::string& kind, size_t n = 0) const;
    // The same, a test failure and an empty line when missing.
    RobotLine Line(const std::string& kind, size_t n = 0) const;
    std::vector<RobotLine> All(const std::string& kind) const;
};

// --- audit -------------------------------------------------------------------------

struct FileEntry {
    bool dir = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string link;  // symbolic link target
    bool readOnly = false;  // no write bit: what Wine reports as FILE_ATTRIBUTE_READONLY
    bool operator==(const FileEntry&) const = default;
};
// Paths relative to drive_c, '/'-separated, case as on disk.
using FileSnapshot = std::map<std::string, FileEntry>;
FileSnapshot SnapshotFiles(const std::string& driveC);

// Registry: full key path ("HKLM\Software\...", "HKCU\...") -> value name
// ("" for the default value) -> data as Wine stores it ("\"text\"" unescaped
// to text for REG_SZ; "dword:00000001"; "str(2):..."; "hex:..").
using RegValues = std::map<std::string, std::string>;
using RegistrySnapshot = std::map<std::string, RegValues>;
RegistrySnapshot ParseRegFile(const std::string& text, const std::string& root);
RegistrySnapshot SnapshotRegistry(const std::string& prefix);

struct Audit {
    std::set<std::string> filesCreated, filesChanged, filesDeleted;  // dirs end in '/'
    std::set<std::string> keysCreated, keysDeleted;
    std::map<std::string, std::string> valuesWritten;  // "KEY\\[name]" -> new data (added or changed)
    std::set<std::string> valuesDeleted;               // "KEY\\[name]"
    std::set<std::string> leftReadOnly;  // created or changed entries that are read-only
    bool Empty() const;
    std::string Describe() const;
};
Audit Compare(const FileSnapshot& fb, const FileSnapshot& fa, const RegistrySnapshot& rb, const RegistrySnapshot& ra);
// "KEY\\[name]" as Audit uses it.
std::string ValueId(const std::string& key, const std::string& name);

// --- screenshots -------------------------------------------------------------------------

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // row-major, 3 bytes a pixel
    Rgb At(int x, int y) const;
};
// Distance per channel: max(|dr|, |dg|, |db|).
int ColorDistance(Rgb a, Rgb b);
// How many pixels of a rectangle (image coordinates) match.
int CountPixels(const Image& img, int left, int top, int width, int height, const std::function<bool(Rgb)>& match);
std::string ToString(Rgb c);
// How GoogleTest prints a colour in a failure.
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << ToString(c); }

// --- the fixture ------------------------------------------------------------------------------

enum class Medium { Writable, ReadOnly };  // ReadOnly: files and folders, as on a pressed disc

struct RunOptions {
    std::string arch = "win32";  // win32 or win64 prefix
    std::string version;         // AppDefaults\setup.exe Version; empty: Wine's default
    std::string locale = "en_US";  // en_US, zh_TW or ko_KR
    Medium medium = Medium::Writable;  // the medium folder's copy in the prefix
};

class SetupTest : public ::testing::Test {
protected:
    void TearDown() override;

    // Fresh prefix clone, medium in C:\medium (Setup folder C:\medium\Setup),
    // per-app Version, then the "before" snapshot.
    void Prepare(const RunOptions& options);

    // Starts setup.exe from C:\medium\Setup as its current directory, in the
    // background, its output (Wine's debug channels as given) kept as
    // setup-output.txt in the artifacts.
    void StartSetup(const std::string& wineDebug = "-all");
    std::string SetupOutput() const;
    // Waits for setup.exe to end; its exit code, or nullopt after the timeout
    // (the process is then killed).
    std::optional<int> WaitSetup(int timeoutMs = 60000);
    bool SetupRunning();

    // Starts a program of the prefix in the background, ended at the test's
    // end; its output goes to artifact NAME.txt.
    void StartInPrefix(const std::vector<std::string>& args, const std::string& name);
    // Waits until that output holds text; false after the timeout.
    bool WaitForOutput(const std::string& name, const std::string& text, int timeoutMs = 20000);

    // Runs one robot script in the prefix.
    RobotResult Robot(const std::vector<std::string>& args, int timeoutMs = 60000);
    // The same for a script that must run through (a test failure otherwise).
    RobotResult RobotOk(const std::vector<std::string>& args, int timeoutMs = 60000);

    // Runs another program of the prefix environment (e.g. wine reg query).
    CommandResult Wine(const std::vector<std::string>& args, int timeoutMs = 60000);
    // Runs a test program of BUILD_ROOT/win32/testbin in the prefix (from Z:).
    CommandResult TestProgram(const std::string& exe, const std::vector<std::string>& args = {},
                              int timeoutMs = 60000);

    // Stops the prefix's wine server so its registry files hold the final
    // state, and compares with the "before" snapshot.
    Audit AuditNow();
    // Takes the "before" snapshot again: what the test set up since is not
    // the program's change.
    void Resnapshot();
    // Ends the prefix's wine server and what runs in it.
    void StopServer();

    // Screenshot of the whole screen, kept as artifact NAME.png (cropped to
    // crop when given: left, top, width, height) in this test's artifact folder.
    Image Screenshot(const std::string& name, std::optional<std::vector<int>> crop = std::nullopt);
    // A window paints when its message loop gets to it, later on a busy
    // machine: screenshots until settled holds (or 5 s pass); the last one.
    Image ScreenshotWhen(const std::string& name, const std::function<bool(const Image&)>& settled,
                         std::optional<std::vector<int>> crop = std::nullopt);

    // Environment entries for programs of this prefix.
    std::vector<std::string> WineEnv() const;

    std::string ArtifactDir() const;

    std::string prefix_;     // unix path of the prefix
    std::string driveC_;     // prefix_/drive_c
    std::string setupDir_;   // unix path of C:\medium\Setup
    std::string mediumFrom_;  // the medium folder Prepare copies in; empty: the sample medium
    RunOptions options_;
    FileSnapshot filesBefore_;
    RegistrySnapshot regBefore_;

private:
    int setupPid_ = -1;
    std::vector<int> backgroundPids_;
    std::optional<int> setupExit_;
    std::string setupLog_;
};

// Registry ignore rules, documented in e2e_harness.cpp.
bool IgnoredKey(const std::string& key);
bool IgnoredValue(const std::string& key, const std::string& name);

}  // namespace e2e
