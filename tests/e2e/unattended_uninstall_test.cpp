// /uninstall as deployment tools run it, watched and audited: afterwards the prefix is as before the
// installation, apart from what other products share, the base components' marker and the log.
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

// The run's own copy and its DLL, and a file held open, go as the system restarts.
constexpr char kPending[] = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\[PendingFileRenameOperations]";
Expected KeptCopyWaits() {
    return {{"Program Files/ORVEX/", "Program Files/ORVEX/Setup/*"}, {}, {"medium/*"}, {}, {}, {kPending}, {}, {}};
}
Expected HeldFileWaits() {
    return {{"Program Files/ORVEX/", "Program Files/ORVEX/tkrdchk.exe"}, {}, {}, {}, {}, {kPending}, {}, {}};
}
// 95, 98 and Me: WININIT.INI names it; the folder stays until the next removal.
Expected HeldFileWaits9x() {
    Expected e = KeptA();
    e.filesCreated.insert(e.filesCreated.end(),
                          {"Program Files/ORVEX/", "Program Files/ORVEX/tkrdchk.exe", "windows/WININIT.INI"});
    return e;
}
// Wine's SetupUninstallOEMInf leaves the staged INF's precompiled form,
// which Windows removes with the INF.
Expected WinesPnfStays() { return {{"windows/inf/orvex.pnf"}, {}, {}, {}, {}, {}, {}, {}}; }
Expected UsersFileStays() { return {{"Program Files/ORVEX/", "Program Files/ORVEX/notes.txt"}, {}, {}, {}, {}, {}, {}, {}}; }

// What is on the machine before /uninstall runs.
enum class Before { Nothing, ByHand, Quiet, NoReader, KeptCopyRuns, UsersFile, FileHeldOpen };

struct UninstallCase {
    const char* name;
    const char* arch;
    const char* version;
    Before before;
    long exitCode;
    Expected (*left)();   // besides the log
    const char* logLine;  // one of the log's lines starts so
    const char* installArgs = "/quiet";
};

void PrintTo(const UninstallCase& c, std::ostream* os) { *os << c.name; }

class Uninstall : public Unattended, public ::testing::WithParamInterface<UninstallCase> {};

TEST_P(Uninstall, RemovesWhatTheInstallationWroteAndNothingElse) {
    const UninstallCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    if (c.before == Before::NoReader) {
        ASSERT_NO_FATAL_FAILURE(UseNewdevStandIn(false, false));
    }
    if (c.before == Before::ByHand) {
        StartTraced();
        RobotOk(Yes());
        ASSERT_EQ(WaitSetup(), 0);
    } else if (c.before != Before::Nothing) {
        const e2e::WatchedRun install = RunWatched(c.installArgs);
        ASSERT_EQ(install.exitCode, c.before == Before::NoReader ? 0 : 3010) << install.Describe();
    }
    std::string exe, startIn;
    if (c.before == Before::KeptCopyRuns) {
        ASSERT_TRUE(std::filesystem::exists(driveC_ + "/Program Files/ORVEX/Setup/setup.exe"));
        std::filesystem::remove_all(driveC_ + "/medium");
        exe = "C:\\Program Files\\ORVEX\\Setup\\setup.exe";
        startIn = "C:\\windows";
    }
    if (c.before == Before::UsersFile) std::ofstream(driveC_ + "/Program Files/ORVEX/notes.txt") << "mine";
    if (c.before == Before::FileHeldOpen) {
        StartInPrefix({TestBin("robot.exe"), "hold", "--file", "C:\\Program Files\\ORVEX\\tkrdchk.exe", "sleep",
                       "--ms", "120000"},
                      "holder");
        ASSERT_TRUE(WaitForOutput("holder", "held"));
    }
    const e2e::WatchedRun run = RunWatched("/uninstall /quiet", 60000, exe, startIn);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.Describe();
    EXPECT_TRUE(run.NoWindow()) << run.Describe();
    Expected e = c.left();
    e.filesCreated.push_back(kTempLog);
    ExpectChanges(AuditNow(), e);
    if (c.left == HeldFileWaits9x) {
        const std::string ini = e2e::ReadAll(driveC_ + "/windows/WININIT.INI");
        // The short name as Wine makes it (PROG~XYZ for Program Files).
        EXPECT_EQ(ini.rfind("[rename]\r\nNUL=C:\\PROG", 0), 0u) << ini;
        EXPECT_NE(ini.find("\\ORVEX\\tkrdchk.exe\r\n"), std::string::npos) << ini;
    }
    const auto lines = ExpectLog(kTempLog, "", c.exitCode);
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [&c](const std::string& l) { return l.rfind(c.logLine, 0) == 0; }),
              lines.end())
        << c.logLine;
}

// The system's removal takes the reader's INF there, staged or copied: under
// Wine the two are one file, whose name keeps the medium's case.
constexpr char kInf[] = "removed driver package \"C:\\windows\\inf\\";
const UninstallCase kCases[] = {
    {"A_win98", "win32", "win98", Before::Quiet, 0, KeptA, "registry: removed key HKLM\\Software\\Tornvale: ok",
     "/quiet /acceptlicense"},
    {"B_nt40", "win32", "nt40", Before::Quiet, 0, KeptB, "removed \"C:\\windows\\inf\\orvexunst.inf\": ok",
     "/quiet /acceptlicense"},
    {"C_winxp", "win32", "winxp", Before::Quiet, 0, Nothing, kInf},
    {"C_winxp_FromKeptCopy", "win32", "winxp", Before::KeptCopyRuns, 0, KeptCopyWaits, kInf},
    {"C_winxp_NoReader", "win32", "winxp", Before::NoReader, 0, WinesPnfStays, kInf},
    {"E_win10_64", "win64", "win10", Before::Quiet, 0, Nothing, "exit code 0: removed"},
    {"C_winxp_NothingInstalled", "win32", "winxp", Before::Nothing, 1605, Nothing,
     "exit code 1605: nothing of the reader's driver found"},
    {"C_winxp_InstalledByHand", "win32", "winxp", Before::ByHand, 0, Nothing, kInf},
    {"C_winxp_UsersFileKeepsTheFolder", "win32", "winxp", Before::UsersFile, 0, UsersFileStays,
     "kept \"C:\\Program Files\\ORVEX\": it holds files not installed here"},
    {"A_win98_FileInUseGoesAtRestart", "win32", "win98", Before::FileHeldOpen, 3010, HeldFileWaits9x,
     "removed at the next restart, in use: \"C:\\Program Files\\ORVEX\\tkrdchk.exe\": ok", "/quiet /acceptlicense"},
    {"C_winxp_FileInUseGoesAtRestart", "win32", "winxp", Before::FileHeldOpen, 3010, HeldFileWaits,
     "removed at the next restart, in use: \"C:\\Program Files\\ORVEX\\tkrdchk.exe\": ok"},
};
INSTANTIATE_TEST_SUITE_P(Runs, Uninstall, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
