// /uninstall as deployment tools run it: after a quiet installation and its
// removal the prefix is as it was before, apart from the components other
// products share, the base components' marker and the log; watched and
// audited as the unattended installations are.
#include <filesystem>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

// What path A leaves: the smart card library with its keys, the setup
// source path (its earlier value is not known), the base components' marker.
Expected KeptA() {
    const std::string cv = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\";
    const std::string vxd = "HKLM\\System\\CurrentControlSet\\Services\\VxD\\SMCLIB";
    Expected e;
    e.filesCreated = {"windows/system32/drivers/smclib.sys", "windows/system32/smclib.vxd"};
    e.keysCreated = {vxd, vxd + "\\Devices"};
    e.valuesWritten = {cv + "RunServices\\[SCardSvr]", cv + "Setup\\[SourcePath]", vxd + "\\[Start]",
                       vxd + "\\[StaticVxD]"};
    return e;
}

// What path B leaves: the library, advpack.dll and the generic USB drivers
// with their services, the base components' marker.
Expected KeptB() {
    const std::string s = "HKLM\\System\\CurrentControlSet\\Services\\";
    Expected e;
    e.filesCreated = {"windows/system32/drivers/smclib.sys", "windows/system32/drivers/wdusbd.sys",
                      "windows/system32/drivers/windrvr.sys"};
    e.filesChanged = {"windows/system32/advpack.dll"};
    e.keysCreated = {s + "Smclib", s + "WDUSBD", s + "WINDRIVER", s + "SCardSvr"};
    e.valuesWritten = {s + "Smclib\\*", s + "WDUSBD\\*", s + "WINDRIVER\\*", s + "SCardSvr\\[ObjectName]"};
    return e;
}

constexpr char kPending[] = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\[PendingFileRenameOperations]";

struct RoundTripCase {
    const char* name;
    const char* arch;
    const char* version;
    const char* installArgs;
    long installExit;
    Expected (*kept)();
    bool noReader = false;     // the driver package is staged
    bool fromKeptCopy = false;  // the medium gone, the registration's copy of setup.exe runs
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class RoundTrip : public Unattended, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTrip, InstallThenUninstallLeavesOnlyWhatIsShared) {
    const RoundTripCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    if (c.noReader) {
        ASSERT_NO_FATAL_FAILURE(UseNewdevStandIn(false, false));
    }
    const e2e::WatchedRun install = RunWatched(c.installArgs);
    ASSERT_EQ(install.exitCode, c.installExit) << install.Describe();
    std::string exe, startIn;
    Expected e = c.kept();
    e.filesCreated.push_back(kTempLog);
    if (c.fromKeptCopy) {
        ASSERT_TRUE(std::filesystem::exists(driveC_ + "/Program Files/ORVEX/Setup/setup.exe"));
        std::filesystem::remove_all(driveC_ + "/medium");
        exe = "C:\\Program Files\\ORVEX\\Setup\\setup.exe";
        startIn = "C:\\windows";
        e.filesDeleted.push_back("medium/*");
        // The running copy and its DLL go as the system restarts (no 3010 for them).
        e.filesCreated.insert(e.filesCreated.end(), {"Program Files/ORVEX/", "Program Files/ORVEX/Setup/*"});
        e.valuesWritten.push_back(kPending);
    }
    const e2e::WatchedRun run = RunWatched("/uninstall /quiet", 60000, exe, startIn);
    EXPECT_EQ(run.exitCode, 0) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    ExpectChanges(AuditNow(), e);
    const auto lines = ExpectLog(kTempLog, "", 0);
    EXPECT_EQ(lines.back(), "exit code 0: removed");
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("removed \"", 0) == 0 && l.ends_with(": ok"); }),
              lines.end());
}

const RoundTripCase kRoundTrips[] = {
    {"A_win98", "win32", "win98", "/quiet /acceptlicense", 3010, KeptA},
    {"B_nt40", "win32", "nt40", "/quiet /acceptlicense", 3010, KeptB},
    {"C_winxp_FromKeptCopy", "win32", "winxp", "/quiet", 3010, Nothing, false, true},
    {"C_winxp_NoReader", "win32", "winxp", "/quiet", 0, Nothing, true},
    {"E_win10_64", "win64", "win10", "/quiet", 3010, Nothing},
};
INSTANTIATE_TEST_SUITE_P(Paths, RoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// On XP, the removal in other situations: what it finds decides its code.
enum class Before { Nothing, InstalledByHand, UsersFile, FileHeldOpen };

struct SituationCase {
    const char* name;
    Before before;
    long exitCode;
    std::vector<std::string> left;  // files left besides the log
    const char* logLine;           // one of the log's lines starts so
};

void PrintTo(const SituationCase& c, std::ostream* os) { *os << c.name; }

class Situation : public Unattended, public ::testing::WithParamInterface<SituationCase> {};

TEST_P(Situation, RemovesWhatItFinds) {
    const SituationCase& c = GetParam();
    Prepare({"win32", "winxp", "en_US"});
    if (c.before == Before::InstalledByHand) {
        StartTraced();
        RobotOk(Yes());
        ASSERT_EQ(WaitSetup(), 0);
    } else if (c.before != Before::Nothing) {
        ASSERT_EQ(RunWatched("/quiet").exitCode, 3010);
    }
    if (c.before == Before::UsersFile) std::ofstream(driveC_ + "/Program Files/ORVEX/notes.txt") << "mine";
    if (c.before == Before::FileHeldOpen) {
        StartInPrefix({TestBin("robot.exe"), "hold", "--file", "C:\\Program Files\\ORVEX\\tkrdchk.exe", "sleep",
                       "--ms", "120000"},
                      "holder");
        ASSERT_TRUE(WaitForOutput("holder", "held"));
    }
    const e2e::WatchedRun run = RunWatched("/uninstall");
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    StopServer();  // the holder's handle closed before the audit
    Expected e;
    e.filesCreated = c.left;
    e.filesCreated.push_back(kTempLog);
    const std::string pending = kPending;
    if (c.before == Before::FileHeldOpen) e.valuesWritten = {pending};
    const e2e::Audit audit = AuditNow();
    ExpectChanges(audit, e);
    if (c.before == Before::FileHeldOpen && audit.valuesWritten.count(pending)) {
        EXPECT_NE(audit.valuesWritten.at(pending).find("tkrdchk.exe"), std::string::npos)
            << audit.valuesWritten.at(pending);
    }
    const auto lines = ExpectLog(kTempLog, "", c.exitCode);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&c](const std::string& l) { return l.rfind(c.logLine, 0) == 0; }),
              lines.end())
        << c.logLine;
}

const SituationCase kSituations[] = {
    {"NothingInstalled", Before::Nothing, 1605, {}, "exit code 1605: nothing of the reader's driver found"},
    {"InstalledByHand", Before::InstalledByHand, 0, {}, "removed \"C:\\windows\\inf\\ORVEX.inf\": ok"},
    {"UsersFileKeepsTheFolder", Before::UsersFile, 0, {"Program Files/ORVEX/", "Program Files/ORVEX/notes.txt"},
     "kept \"C:\\Program Files\\ORVEX\": it holds files that the installation did not write"},
    {"FileInUseGoesAtRestart", Before::FileHeldOpen, 3010, {"Program Files/ORVEX/", "Program Files/ORVEX/tkrdchk.exe"},
     "removed at the next restart, in use: \"C:\\Program Files\\ORVEX\\tkrdchk.exe\": ok"},
};
INSTANTIATE_TEST_SUITE_P(OnXp, Situation, ::testing::ValuesIn(kSituations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
