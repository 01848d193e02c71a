// setup.exe run unattended, as deployment tools run it: started with its
// switches by a program of the prefix that reads its whole exit code, the
// screen watched from its start to its end (no window of any program may
// show under /quiet), its changes audited: the same path's changes as by
// hand, plus the log.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <regex>

#include <unistd.h>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

struct QuietCase {
    const char* name;
    const char* arch;
    const char* version;
    const char* args;  // after setup.exe's path
    long exitCode;
    const char* platformAndPath;  // the log's first line: ", platform N, path X"
    Expected (*changes)();        // the path's changes by hand
    const char* log = kTempLog;   // under drive_c
    const char* installerExit = nullptr;  // path D: what the stand-in installer exits with
    // Path B: advpack.dll stand-ins of known versions on the medium and in
    // the system folder ("": Wine's own, without a version).
    const char* mediumAdvpack = nullptr;
    const char* installedAdvpack = "";
};

Expected PathBAdvpackKept() {
    Expected e = PathB();
    e.filesChanged.clear();
    return e;
}

// How GoogleTest names a case in a failure.
void PrintTo(const QuietCase& c, std::ostream* os) { *os << c.name; }

class Quiet : public Unattended, public ::testing::WithParamInterface<QuietCase> {};

// Each path as deployment tools run it; the exit code says what happened.
TEST_P(Quiet, NoWindowTheExitCodeAndThePathsChanges) {
    const QuietCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    if (c.installerExit) {
        std::ofstream(setupDir_ + "/Vista32.exitcode") << c.installerExit;
        filesBefore_ = e2e::SnapshotFiles(driveC_);
    }
    if (c.mediumAdvpack) {
        namespace fs = std::filesystem;
        const auto over = fs::copy_options::overwrite_existing;
        fs::copy_file(TestBin(c.mediumAdvpack), setupDir_ + "/smclib/advpack.dll", over);
        if (*c.installedAdvpack)
            fs::copy_file(TestBin(c.installedAdvpack), driveC_ + "/windows/system32/advpack.dll", over);
        // Wine reads a system DLL's version from its builtin copy unless told to use the file.
        ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"advpack\"=\"native\"", ""});
    }
    const e2e::WatchedRun run = RunWatched(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    EXPECT_EQ(RestartPrompts(run), 0);
    Expected e = c.changes();
    e.filesCreated.push_back(c.log);
    const e2e::Audit audit = AuditNow();
    ExpectChanges(audit, e);
    // The entry's size: the files the run put in place (shortcuts and the log are not installed files).
    for (const auto& [value, data] : audit.valuesWritten) {
        if (!value.ends_with("Uninstall\\ORVEX\\[EstimatedSize]")) continue;
        std::uintmax_t bytes = 0;
        for (const auto* files : {&audit.filesCreated, &audit.filesChanged})
            for (const std::string& f : *files)
                if (f.back() != '/' && !f.ends_with(".lnk") && f != c.log)
                    bytes += std::filesystem::file_size(driveC_ + "/" + f);
        char kb[24];
        std::snprintf(kb, sizeof kb, "dword:%08jx", (bytes + 1023) / 1024);
        EXPECT_EQ(data, kb);
    }
    ExpectLog(c.log, FirstLine(c.args, c.platformAndPath), c.exitCode);
    const std::string log = e2e::ReadAll(driveC_ + "/" + c.log);
    if (c.mediumAdvpack) {  // the log names the version kept
        EXPECT_EQ(log.find("advpack.dll\", version 7.0.0.0 (") != std::string::npos, c.changes == PathBAdvpackKept);
    }
    if (c.changes == PathD) {  // hidden too, and the log says how to make it silent
        EXPECT_NE(e2e::ReadAll(setupDir_ + "/Vista32.installer-ran.txt").find("show-command=0\r\n"), std::string::npos);
        EXPECT_NE(log.find("runs hidden"), std::string::npos) << log;
        EXPECT_NE(log.find("not registered: the vendor's installer registers what it installs"), log.npos);
    }
}

const QuietCase kQuiet[] = {
    {"A_win98", "win32", "win98", "/quiet /acceptlicense", 3010, ", platform 2, path A", PathA},
    {"B_nt40", "win32", "nt40", "-QUIET -AcceptLicense", 3010, ", platform 4, path B", PathB},
    {"B_nt40_LicenceNotAccepted", "win32", "nt40", "/quiet", 1602, ", platform 4, path B", Nothing},
    // An installed system component stays only where it is newer than the medium's.
    {"B_nt40_AdvpackNewerStays", "win32", "nt40", "/quiet /acceptlicense", 3010, ", platform 4, path B",
     PathBAdvpackKept, kTempLog, nullptr, "versioned-6.dll", "versioned-7.dll"},
    {"B_nt40_AdvpackOlderReplaced", "win32", "nt40", "/quiet /acceptlicense", 3010, ", platform 4, path B", PathB,
     kTempLog, nullptr, "versioned-6.dll", "versioned-5.dll"},
    {"B_nt40_AdvpackWithoutVersionReplaced", "win32", "nt40", "/quiet /acceptlicense", 3010, ", platform 4, path B",
     PathB, kTempLog, nullptr, "versioned-6.dll"},
    {"C_winxp", "win32", "winxp", "/quiet /norestart /log \"C:\\setup logs.txt\"", 3010, ", platform 6, path C",
     PathCAllUsers, "setup logs.txt"},
    {"C_winxp_AllUsers", "win32", "winxp", "/q /allusers", 3010, ", platform 6, path C", PathCAllUsers},
    {"D_vista_0", "win32", "vista", "/quiet", 3010, ", platform 9, path D", PathD},
    {"D_vista_3010", "win32", "vista", "/quiet", 3010, ", platform 9, path D", PathD, kTempLog, "3010"},
    {"D_vista_1641", "win32", "vista", "/quiet", 1641, ", platform 9, path D", PathD, kTempLog, "1641"},
    {"D_vista_5", "win32", "vista", "/quiet", 1603, ", platform 9, path D", PathD, kTempLog, "5"},
    {"E_win10_32", "win32", "win10", "/quiet", 3010, ", platform 11, path E", PathCAllUsers},
    {"E_win10_64", "win64", "win10", "/q", 3010, ", platform 11, path E", PathC64AllUsers},
    {"F_win2008", "win32", "win2008", "/quiet", 1633, ", platform 12, path F", Nothing},
};
INSTANTIATE_TEST_SUITE_P(Paths, Quiet, ::testing::ValuesIn(kQuiet),
                         [](const auto& info) { return std::string(info.param.name); });

// Path D hands /installerargs to the installer after its path; the log
// leaves the value out.
TEST_F(Unattended, InstallerArgumentsReachTheInstaller) {
    Prepare({"win32", "vista", "en_US"});
    const e2e::WatchedRun run = RunWatched("/quiet /installerargs:\"/S /v/qn\"");
    EXPECT_EQ(run.exitCode, 3010) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    const std::string ran = e2e::ReadAll(setupDir_ + "/Vista32.installer-ran.txt");
    EXPECT_NE(ran.find("command-line=\"C:\\medium\\Setup\\Vista32.exe\" /S /v/qn\r\n"), std::string::npos) << ran;
    const auto lines = ExpectLog(kTempLog, "", 3010);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find(" /installerargs"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("<not logged>"), std::string::npos) << lines[0];
    EXPECT_EQ(e2e::ReadAll(driveC_ + "/" + kTempLog).find("/v/qn"), std::string::npos);
}

// A switch the program does not know: 1639 at once, nothing changed but
// the log, which names the switch.
TEST_F(Unattended, WrongSwitch) {
    Prepare({"win32", "winxp", "en_US"});
    const e2e::WatchedRun run = RunWatched("/quiet /reboot");
    EXPECT_EQ(run.exitCode, 1639) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    Expected e;
    e.filesCreated = {kTempLog};
    ExpectChanges(AuditNow(), e);
    const auto lines = ExpectLog(kTempLog, FirstLine("/quiet /reboot", ", platform 6, path C"), 1639);
    EXPECT_EQ(lines.size() > 1 ? lines[1] : "", "wrong command line: Unknown switch: /reboot");
}

// Beside a run waiting in its setup window: 1618, nothing changed but the
// log; the waiting run goes on as before.
TEST_F(Unattended, AnotherRunWaits) {
    Prepare({"win32", "winxp", "en_US"});
    StartSetup();
    RobotOk({"wait-window", "--class", "TSetupForm", "--timeout", install_e2e::kTimeout});
    const e2e::WatchedRun run = RunWatched("/quiet");
    EXPECT_EQ(run.exitCode, 1618) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    RobotOk({"find-window", "--class", "TSetupForm", "type", "--text", "n"});
    EXPECT_EQ(WaitSetup(), 0);
    Expected e;
    e.filesCreated = {kTempLog};
    ExpectChanges(AuditNow(), e);
    ExpectLog(kTempLog, FirstLine("/quiet", ", platform 6, path C"), 1618);
}

// No reader plugged in: one binding call, asked for no interface, answered
// ERROR_NO_SUCH_DEVINST; the driver package is staged from a folder that
// stays on the machine and the run ends. (Wine keeps the staged INF's own
// name in its inf folder, where Windows names it oem<N>.inf: any name.)
TEST_F(Unattended, NoReaderStagesTheDriverPackage) {
    Prepare({"win32", "winxp", "en_US"});
    ASSERT_NO_FATAL_FAILURE(UseNewdevStandIn(false, false));
    const e2e::WatchedRun run = RunWatched("/quiet");
    EXPECT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    const auto calls = NewdevCalls();
    ASSERT_EQ(calls.size(), 1u) << e2e::ReadAll(newdevLog_);
    EXPECT_EQ(calls[0].count("flags") ? calls[0].at("flags") : "", "5");  // forced, no interface
    const std::string package = driveC_ + "/Program Files/ORVEX/Driver";
    Expected e = PathCAllUsers();
    std::erase(e.filesCreated, "windows/inf/ORVEX.inf");  // one of the inf folder's files, whatever their names
    e.filesCreated.insert(e.filesCreated.end(), {"Program Files/ORVEX/Driver/", "windows/inf/*", kTempLog});
    for (const auto& f : std::filesystem::directory_iterator(setupDir_ + "/drivers/winxp")) {
        const std::string name = f.path().filename().string();
        EXPECT_EQ(e2e::ReadAll(package + "/" + name), e2e::ReadAll(f.path().string())) << name;
        e.filesCreated.push_back("Program Files/ORVEX/Driver/" + name);
    }
    ExpectChanges(AuditNow(), e);
    const auto lines = ExpectLog(kTempLog, FirstLine("/quiet", ", platform 6, path C"), 0);
    std::string bindings, staged;
    for (const auto& l : lines) {
        if (l.rfind("binding", 0) == 0) bindings += l + "\n";
        if (l.rfind("staged", 0) == 0) staged += l + "\n";
    }
    std::transform(bindings.begin(), bindings.end(), bindings.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_NE(bindings.find("not bound, error 0xe000020b"), std::string::npos) << bindings;
    EXPECT_NE(staged.find("C:\\Program Files\\ORVEX\\Driver\\"), std::string::npos) << staged;
}

// /forcerestart: the system's restart, as the restart prompt's Yes makes
// it, and 1641. Wine's restart ends every windowed program of the prefix
// (wineboot --end-session): the medium's installer stand-in takes its
// place and records how it was started, in the current folder setup.exe
// hands it.
TEST_F(Unattended, ForceRestartRestarts) {
    Prepare({"win32", "winxp", "en_US"});
    std::filesystem::copy_file(setupDir_ + "/XP64.exe", driveC_ + "/windows/system32/wineboot.exe",
                               std::filesystem::copy_options::overwrite_existing);
    ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"wineboot.exe\"=\"native\"", ""});
    const e2e::WatchedRun run = RunWatched("/quiet /forcerestart");
    EXPECT_EQ(run.exitCode, 1641) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    // The system starts it and goes on: its record may come after setup.exe has ended.
    std::string restart;
    for (int i = 0; i < 200 && restart.find(" --end-session\r\n") == std::string::npos; ++i) {
        if (i > 0) usleep(100 * 1000);
        restart = e2e::ReadAll(setupDir_ + "/wineboot.installer-ran.txt");
    }
    EXPECT_NE(restart.find("wineboot.exe --end-session\r\n"), std::string::npos) << restart;
    // Wine starts wineboot at the session's start too: the stand-in's own record.
    std::filesystem::remove(driveC_ + "/windows/system32/wineboot.installer-ran.txt");
    Expected e = PathCAllUsers();
    e.filesCreated.insert(e.filesCreated.end(), {kTempLog, "medium/Setup/wineboot.installer-ran.txt"});
    ExpectChanges(AuditNow(), e);
    ExpectLog(kTempLog, FirstLine("/quiet /forcerestart", ", platform 6, path C"), 1641);
}

// /passive: setup.exe's windows alone show (the setup window and the
// application window, which carries its task bar entry, as by hand), and
// the pass runs by itself to the end.
TEST_F(Unattended, PassiveEndsByItself) {
    Prepare({"win32", "winxp", "en_US"});
    const e2e::WatchedRun run = RunWatched("/passive");
    EXPECT_EQ(run.exitCode, 3010) << run.Describe();
    std::set<std::string> shown;
    for (const auto& w : run.windows) shown.insert(w.Get("image") + " " + w.Get("class"));
    // The robot's looks may miss one on a busy machine; the X server's maps do not.
    shown.insert("setup.exe TApplication");
    EXPECT_EQ(shown, (std::set<std::string>{"setup.exe TApplication", "setup.exe TSetupForm"})) << run.Describe();
    EXPECT_EQ(run.mapped.size(), 2u) << run.Describe();
    EXPECT_EQ(RestartPrompts(run), 0);
    Expected e = PathCAllUsers();
    e.filesCreated.push_back(kTempLog);
    ExpectChanges(AuditNow(), e);
}

}  // namespace
