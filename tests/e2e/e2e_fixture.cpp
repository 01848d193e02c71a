// The fixture: a prefix and a medium per test, setup.exe and other programs
// started in it, the audit taken when the test asks.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/e2e/e2e_harness.h"

namespace fs = std::filesystem;

namespace e2e {

using namespace internal;

std::vector<std::string> SetupTest::WineEnv(const std::string& wineDebug) const {
    const Paths& p = GetPaths();
    std::string lang = options_.locale + ".UTF-8";
    return {"WINEPREFIX=" + prefix_,
            "WINEARCH=" + options_.arch,
            "DISPLAY=" + p.display,
            "WINEDEBUG=" + wineDebug,
            "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=",
            "LOCPATH=" + p.locpath,
            "LANG=" + lang,
            "LC_ALL=" + lang,
            "LANGUAGE=",
            // No test writes into the real home folder.
            "HOME=" + p.work + "/home",
            "XDG_CONFIG_HOME=" + p.work + "/home/.config",
            "XDG_DATA_HOME=" + p.work + "/home/.local/share",
            "XDG_CACHE_HOME=" + p.work + "/home/.cache"};
}

std::string SetupTest::ArtifactDir() const {
    std::string d = GetPaths().artifacts + "/" + TestName();
    fs::create_directories(d);
    return d;
}

void SetupTest::Prepare(const RunOptions& options) {
    const Paths& p = GetPaths();
    options_ = options;
    ASSERT_TRUE(options.arch == "win32" || options.arch == "win64") << options.arch;
    static int counter = 0;
    prefix_ = p.work + "/prefix-" + std::to_string(++counter);
    driveC_ = prefix_ + "/drive_c";
    setupDir_ = driveC_ + "/medium/Setup";
    CommandResult clone = RunCommand(
        {"bash", "-c", ". " + ShellQuote(p.source + "/tools/winenv.sh") + " && rs_clone_prefix " + options.arch + " " +
                           ShellQuote(prefix_) + " && rs_locale_fonts " + ShellQuote(prefix_) + " " + options.locale +
                           " && rs_unmanaged_windows " + ShellQuote(prefix_)},
        {"HOME=" + p.work + "/home"}, "", 300000);
    ASSERT_EQ(clone.exitCode, 0) << clone.output;
    CommandResult copy = RunCommand({"cp", "-a", mediumFrom_.empty() ? p.medium : mediumFrom_, driveC_ + "/medium"});
    ASSERT_EQ(copy.exitCode, 0) << copy.output;
    if (options.medium == Medium::ReadOnly) {
        ASSERT_EQ(RunCommand({"chmod", "-R", "a-w", driveC_ + "/medium"}).exitCode, 0);
    }
    // The INF installers setup.exe starts run on the same Windows as setup.exe
    // itself: Wine's setupapi picks the decorated (.NT) INF sections only when
    // the caller reports an NT version. Written straight into user.reg while
    // no wine server runs (a text file then), which saves three Wine starts.
    if (!options.version.empty()) {
        std::ofstream reg(prefix_ + "/user.reg", std::ios::app);
        for (const char* exe : {"setup.exe", "rundll.exe", "rundll32.exe"})
            reg << "\n[Software\\\\Wine\\\\AppDefaults\\\\" << exe << "] 1700000000\n\"Version\"=\"" << options.version
                << "\"\n";
        ASSERT_TRUE(reg.good()) << "cannot write " << prefix_ << "/user.reg";
    }
    // Wine's first start under a locale writes that locale's settings
    // (Control Panel\International, font associations): one start before the
    // snapshot, so the audit sees only what the program does. The registry
    // files hold the state once the server has ended.
    CommandResult warm = Wine({"cmd", "/c", "exit"});
    ASSERT_EQ(warm.exitCode, 0) << warm.output;
    Resnapshot();
}

void SetupTest::StopServer() {
    RunCommand({"wineserver", "-k"}, WineEnv(), "", 60000);
    RunCommand({"wineserver", "-w"}, WineEnv(), "", 60000);
}

void SetupTest::Resnapshot() {
    StopServer();
    filesBefore_ = SnapshotFiles(driveC_);
    regBefore_ = SnapshotRegistry(prefix_);
    ASSERT_FALSE(regBefore_.empty()) << "no registry in " << prefix_;
    // A persistent server makes each later program start quick; it ends
    // by itself 5 s after the last program, should the test be killed.
    Child server = Spawn({"wineserver", "-p5"}, WineEnv(), "", "/dev/null");
    Reap(server.pid, 60000, nullptr, -1);
}

void SetupTest::StartSetup(const std::string& wineDebug) {
    ASSERT_FALSE(prefix_.empty()) << "Prepare first";
    setupLog_ = ArtifactDir() + "/setup-output.txt";
    std::ofstream(setupLog_, std::ios::trunc).close();
    setupExit_.reset();
    Child c = Spawn({"wine", "setup.exe"}, WineEnv(wineDebug), setupDir_, setupLog_);
    setupPid_ = c.pid;
}

void SetupTest::StartInPrefix(const std::vector<std::string>& args, const std::string& name) {
    const std::string log = ArtifactDir() + "/" + name + ".txt";
    std::ofstream(log, std::ios::trunc).close();
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    backgroundPids_.push_back(Spawn(argv, WineEnv(), GetPaths().work, log).pid);
}

bool SetupTest::WaitForOutput(const std::string& name, const std::string& text, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ReadAll(ArtifactDir() + "/" + name + ".txt").find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string SetupTest::SetupOutput() const { return setupLog_.empty() ? std::string() : ReadAll(setupLog_); }

bool SetupTest::SetupRunning() {
    if (setupPid_ <= 0) return false;
    int status = 0;
    pid_t r = WaitChild(setupPid_, &status, WNOHANG);
    if (r == setupPid_) {
        setupExit_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        setupPid_ = -1;
        return false;
    }
    return true;
}

std::optional<int> SetupTest::WaitSetup(int timeoutMs) {
    if (setupPid_ > 0) {
        int code = Reap(setupPid_, timeoutMs, nullptr, -1);
        setupPid_ = -1;
        if (code >= 0) setupExit_ = code;
        else setupExit_.reset();
    }
    return setupExit_;
}


CommandResult SetupTest::Wine(const std::vector<std::string>& args, int timeoutMs) {
    std::vector<std::string> argv = {"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, WineEnv(), GetPaths().work, timeoutMs);
}

Audit SetupTest::AuditNow() {
    StopServer();
    Audit a = Compare(filesBefore_, SnapshotFiles(driveC_), regBefore_, SnapshotRegistry(prefix_));
    std::ofstream(ArtifactDir() + "/audit.txt") << a.Describe();
    return a;
}


void SetupTest::TearDown() {
    if (prefix_.empty()) return;
    if (HasFailure()) {
        // What was on screen when the test failed.
        CommandResult windows = TestProgram("robot.exe", {"dump"}, 30000);
        std::ofstream(ArtifactDir() + "/windows-at-failure.txt") << windows.output;
        Screenshot("screen-at-failure");
    }
    if (setupPid_ > 0) {
        kill(-setupPid_, SIGKILL);
        WaitChild(setupPid_, nullptr, 0);
        setupPid_ = -1;
    }
    for (int pid : backgroundPids_) {
        kill(-pid, SIGKILL);
        WaitChild(pid, nullptr, 0);
    }
    backgroundPids_.clear();
    StopServer();
    // A read-only medium (a disc's, or a disc image's) is removable, also by a user other than root.
    if (fs::exists(driveC_ + "/medium")) RunCommand({"chmod", "-R", "u+w", driveC_ + "/medium"});
    if (Env("RS_E2E_KEEP") != "1") {
        std::error_code ec;
        fs::remove_all(prefix_, ec);
    }
}

}  // namespace e2e
