// setup.exe as fleet tools start it: from another current folder, with
// other installers' silent switches, with a log that cannot be opened or
// whose name holds a link. Watched and audited as the unattended runs are.
#include <filesystem>

#include <unistd.h>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

struct SwitchesCase {
    const char* name;
    const char* args;
    long exitCode;
    Expected (*changes)();     // beside the log
    const char* log;           // under drive_c; nullptr: none; a '*' ends the default log's other name
    const char* startIn = "";  // the current folder setup.exe starts in; empty: the Setup folder
    int runs = 1;
    bool linkAtDefaultLog = false;  // a hard link to win.ini at the default log's name
    const char* deletedBetweenRuns = nullptr;  // under drive_c: the repair puts it back
};

void PrintTo(const SwitchesCase& c, std::ostream* os) { *os << c.name; }

class Switches : public Unattended, public ::testing::WithParamInterface<SwitchesCase> {};

TEST_P(Switches, WhatFleetToolsGet) {
    const SwitchesCase& c = GetParam();
    Prepare({"win32", "winxp", "en_US"});
    const std::string winIni = driveC_ + "/windows/win.ini", before = e2e::ReadAll(winIni);
    if (c.linkAtDefaultLog) {
        ASSERT_EQ(link(winIni.c_str(), (driveC_ + "/" + kTempLog).c_str()), 0);
        Resnapshot();
    }
    for (int i = 0; i < c.runs; ++i) {
        if (i > 0 && c.deletedBetweenRuns) {
            ASSERT_TRUE(std::filesystem::remove(driveC_ + "/" + c.deletedBetweenRuns));
        }
        const e2e::WatchedRun run = RunWatched(c.args, 60000, "", c.startIn);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.Describe();
        EXPECT_TRUE(run.NoWindow()) << run.Describe();
    }
    EXPECT_EQ(e2e::ReadAll(winIni), before);
    Expected e = c.changes();
    if (c.log) e.filesCreated.push_back(c.log);
    ExpectChanges(AuditNow(), e);
    if (!c.log) return;
    std::string log = c.log;
    for (const auto& f : std::filesystem::directory_iterator(driveC_ + "/users/root/Temp"))
        if (install_e2e::Matches(c.log, "users/root/Temp/" + f.path().filename().string()))
            log = "users/root/Temp/" + f.path().filename().string();
    const auto lines = ExpectLog(log, FirstLine(c.args, ", platform 6, path C", c.startIn), c.exitCode);
    // Appended: every run's lines stay.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const auto& l) { return l.rfind("setup.exe ", 0) == 0; }),
              c.runs);
    if (c.linkAtDefaultLog) {
        EXPECT_EQ(lines.at(1), "\"C:\\users\\root\\Temp\\ORVEX-Setup.log\" is a link or cannot be opened: this log "
                               "takes its place");
    }
}

const SwitchesCase kSwitches[] = {
    {"StartedInTheWindowsFolder", "/quiet", 3010, PathCAllUsers, kTempLog, "C:\\windows"},
    {"S", "/S", 3010, PathCAllUsers, kTempLog},
    {"qn", "/qn", 3010, PathCAllUsers, kTempLog},
    {"LogNamesAFolder", "/quiet /log C:\\windows", 1622, Nothing, nullptr},
    {"LogInAMissingFolder", "/quiet /log \"C:\\new logs\\run 1\\orvex.log\"", 3010, [] {
         Expected e = PathCAllUsers();
         e.filesCreated.insert(e.filesCreated.end(), {"new logs/", "new logs/run 1/"});
         return e;
     }, "new logs/run 1/orvex.log"},
    {"HardLinkAtTheDefaultLog", "/quiet", 3010, PathCAllUsers, "users/root/Temp/ORVEX-Setup-*", "", 1, true},
    {"TwoRunsOneLog", "/quiet", 3010, PathCAllUsers, kTempLog, "", 2},
    {"SecondRunRepairs", "/quiet", 3010, PathCAllUsers, kTempLog, "", 2, false, "Program Files/ORVEX/tkrdchk.exe"},
};
INSTANTIATE_TEST_SUITE_P(FleetTools, Switches, ::testing::ValuesIn(kSwitches),
                         [](const auto& info) { return std::string(info.param.name); });

// By hand, a wrong switch: its box, the problem apart from the help; 1639
// and the log all the same.
TEST_F(Unattended, WrongSwitchByHand) {
    Prepare({"win32", "winxp", "en_US"});
    const std::string dir = SetupDirInPrefix();
    const e2e::RobotResult r = RobotOk({"launch", "--exe", dir + "\\setup.exe", "--dir", dir, "--args", "/bogus",
                                        "wait-box", "press-box", "--button", "OK", "wait-exit", "--timeout", "30000"});
    EXPECT_EQ(r.Line("box").Get("message").rfind("Unknown switch: /bogus\r\n\r\nsetup.exe [/quiet", 0), 0u) << r.raw;
    EXPECT_EQ(r.Line("exited").Int("code"), 1639) << r.raw;
    const auto lines = ExpectLog(kTempLog, FirstLine("/bogus", ", platform 6, path C"), 1639);
    EXPECT_EQ(lines.at(1), "wrong command line: Unknown switch: /bogus");
}

}  // namespace
