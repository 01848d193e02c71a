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

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_audit.h"
#include "tests/e2e/e2e_processes.h"
#include "tests/e2e/e2e_robot.h"
#include "tests/e2e/e2e_screenshots.h"

namespace e2e {

enum class Medium { Writable, ReadOnly };  // ReadOnly: files and folders, as on a pressed disc

struct RunOptions {
    std::string arch = "win32";  // win32 or win64 prefix
    std::string version;         // AppDefaults\setup.exe Version; empty: Wine's default
    std::string locale = "en_US";  // en_US, zh_TW or ko_KR
    Medium medium = Medium::Writable;  // the medium folder's copy in the prefix
};

// A run of setup.exe under the screen's watch.
struct WatchedRun {
    std::optional<long> exitCode;  // whole; nullopt: not ended by the deadline
    // Each top-level window that became visible meanwhile, of any process,
    // as the robot saw it ("seen": class, caption, pid, image); the robot
    // looks every few milliseconds, and may miss a brief one.
    std::vector<RobotLine> windows;
    // X windows the Xvfb mapped meanwhile: each window shown, also one the
    // robot missed (the prefixes leave windows to no window manager).
    std::vector<std::string> mapped;
    RobotResult robot;
    // Wine's crash notices ("wine: Unhandled ... starting debugger"): its
    // driver host crashes now and then as a busy session starts, and the
    // debugger's console window ("Wine Debugger") is Wine's, not the run's.
    std::vector<std::string> wineCrashes;
    bool NoWindow() const;  // each crash notice stands for one such window
    std::string Describe() const;
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

    // Runs one robot script in the prefix (Wine's debug channels as given:
    // programs the robot launches share its output).
    RobotResult Robot(const std::vector<std::string>& args, int timeoutMs = 60000,
                      const std::string& wineDebug = "-all");
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

    // Runs setup.exe unattended: from the Setup folder, `args` after its
    // path in the command line, started by the robot, which reads its whole
    // exit code, while the robot and the X server watch the screen from
    // before its start until it has ended. The robot's output (with
    // setup.exe's own: the setup API's fixme channel on) is kept. Another
    // program in setup.exe's place: exe, its Windows path; another current
    // folder: startIn, its Windows path.
    WatchedRun RunWatched(const std::string& args, int timeoutMs = 60000, const std::string& exe = "",
                          const std::string& startIn = "");
    // C:\... of the Setup folder (setupDir_).
    std::string SetupDirInPrefix() const;

    // Environment entries for programs of this prefix.
    std::vector<std::string> WineEnv(const std::string& wineDebug = "-all") const;

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

}  // namespace e2e
