// Unattended runs where a step fails, or only finds its work done: the exit
// code tells which, the log names the failed step, and a failed run is
// never restarted.
#include <filesystem>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

struct TruthCase {
    const char* name;
    const char* arch;
    const char* version;
    const char* args;
    const char* missing;  // taken from the medium's Setup folder; nullptr: none
    long exitCode;
    const char* named;       // in the log: the failed step with its file; nullptr: no step failed
    Expected (*changes)();   // the path's changes by hand
    const char* notMade;     // the missing file's copy, under drive_c
    bool restartStandIn = false;  // Wine's restart (wineboot) replaced by a stand-in that records its start
    int runs = 1;
};

void PrintTo(const TruthCase& c, std::ostream* os) { *os << c.name; }

class Truth : public Unattended, public ::testing::WithParamInterface<TruthCase> {};

TEST_P(Truth, TheExitCodeAndTheLogTellWhatFailed) {
    const TruthCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    if (c.missing) RemoveFromSetupFolder(c.missing);
    if (c.restartStandIn) {
        // As in the restart test beside this one.
        std::filesystem::copy_file(setupDir_ + "/XP64.exe", driveC_ + "/windows/system32/wineboot.exe",
                                   std::filesystem::copy_options::overwrite_existing);
        ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"wineboot.exe\"=\"native\"", ""});
    }
    for (int run = 1; run <= c.runs; ++run) {
        const e2e::WatchedRun r = RunWatched(c.args);
        EXPECT_EQ(r.exitCode, run < c.runs ? 3010 : c.exitCode) << "run " << run << "\n" << r.Describe();
        EXPECT_TRUE(r.NoWindow()) << r.Describe();
    }
    // Wine starts wineboot at the session's start: the stand-in's own record.
    std::filesystem::remove(driveC_ + "/windows/system32/wineboot.installer-ran.txt");
    Expected e = c.changes();
    if (c.notMade) std::erase(e.filesCreated, c.notMade);
    e.filesCreated.push_back(kTempLog);  // a restart would add its stand-in's record in the Setup folder
    ExpectChanges(AuditNow(), e);

    const auto lines = ExpectLog(kTempLog, "", c.exitCode);
    std::string failed, restart;
    bool named = false;
    for (const auto& l : lines) {
        if (l.find(": failed, ") != std::string::npos) failed += l + "\n";
        if (l.rfind("restart", 0) == 0) restart += l + "\n";
        named = named || (c.named && l.find(c.named) != std::string::npos);
    }
    if (c.named) {
        EXPECT_TRUE(named && !failed.empty()) << c.named << "\n" << failed;
        // A failed run neither restarts nor says it has installed (one that
        // stops short of its end says nothing of a restart).
        if (!restart.empty()) {
            EXPECT_EQ(restart, "restart: pending for the steps that worked; not restarting, a step failed\n");
        }
    } else {
        EXPECT_EQ(failed, "");
    }
}

const TruthCase kTruth[] = {
    // A row whose failure shows no box by hand: the driver's catalog.
    {"A_win98_CatalogMissing", "win32", "win98", "/quiet /acceptlicense", "drivers/orvex98.cat", 1603,
     "drivers\\orvex98.cat\": failed, error 2", PathA, "windows/system32/drivers/orvex98.cat"},
    {"C_winxp_UtilityMissing", "win32", "winxp", "/quiet", "utility/tkrdchk.exe", 1603,
     "ORVEX\\tkrdchk.exe\": failed, error 2", PathC, "Program Files/ORVEX/tkrdchk.exe"},
    {"C_winxp_ForceRestartAfterAFailure", "win32", "winxp", "/quiet /forcerestart", "utility/tkrdchk.exe", 1603,
     "ORVEX\\tkrdchk.exe\": failed, error 2", PathC, "Program Files/ORVEX/tkrdchk.exe", true},
    // The binding's 64-bit helper: the run ends where it binds.
    {"E_win10_64_BindingHelperMissing", "win64", "win10", "/quiet", "pnpbind64.exe", 1603,
     "Setup\\pnpbind64.exe\" is missing", Nothing, nullptr},
    // The second run finds its shortcuts in the group: no failure.
    {"C_winxp_SecondRun", "win32", "winxp", "/quiet", nullptr, 3010, nullptr, PathC, nullptr, false, 2},
};
INSTANTIATE_TEST_SUITE_P(Steps, Truth, ::testing::ValuesIn(kTruth),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
