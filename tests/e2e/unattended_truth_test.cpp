// Unattended runs where a step fails: 1603, the log names the failed step,
// and a failed run never restarts.
#include <filesystem>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

struct TruthCase {
    const char* name;
    const char* arch;
    const char* version;
    const char* args;     // with /forcerestart, Wine's restart is a stand-in that records its start
    const char* missing;  // taken from the medium's Setup folder
    const char* named;      // in the log with the failed step
    Expected (*changes)();  // the path's changes by hand, but for notMade
    const char* notMade;
};

void PrintTo(const TruthCase& c, std::ostream* os) { *os << c.name; }

class Truth : public Unattended, public ::testing::WithParamInterface<TruthCase> {};

TEST_P(Truth, TheExitCodeAndTheLogTellWhatFailed) {
    const TruthCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    RemoveFromSetupFolder(c.missing);
    if (std::string(c.args).find("/forcerestart") != std::string::npos) {  // as in ForceRestartRestarts
        std::filesystem::copy_file(setupDir_ + "/XP64.exe", driveC_ + "/windows/system32/wineboot.exe",
                                   std::filesystem::copy_options::overwrite_existing);
        ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"wineboot.exe\"=\"native\"", ""});
    }
    const e2e::WatchedRun r = RunWatched(c.args);
    EXPECT_EQ(r.exitCode, 1603) << r.Describe();
    EXPECT_TRUE(r.NoWindow()) << r.Describe();
    // Wine starts wineboot at the session's start: the stand-in's own record.
    std::filesystem::remove(driveC_ + "/windows/system32/wineboot.installer-ran.txt");
    Expected e = c.changes();
    if (c.notMade) std::erase(e.filesCreated, c.notMade);
    e.filesCreated.push_back(kTempLog);  // a restart would leave its record in the Setup folder
    ExpectChanges(AuditNow(), e);

    std::string failed, restart;
    bool named = false;
    for (const auto& l : ExpectLog(kTempLog, "", 1603)) {
        if (l.find(": failed, ") != std::string::npos) failed += l + "\n";
        if (l.rfind("restart", 0) == 0) restart += l + "\n";
        named = named || l.find(c.named) != std::string::npos;
    }
    EXPECT_TRUE(named && !failed.empty()) << failed;
    // A failed run neither restarts nor says it has installed.
    const char* const notRestarting = "restart: pending; not restarting after a failed step\n";
    EXPECT_TRUE(restart.empty() || restart == notRestarting) << restart;
}

const TruthCase kTruth[] = {
    // A row whose failure shows no box by hand: the driver's catalog.
    {"A_win98_CatalogMissing", "win32", "win98", "/quiet /acceptlicense", "drivers/orvex98.cat",
     "drivers\\orvex98.cat\": failed, error 2", PathAFailed, "windows/system32/drivers/orvex98.cat"},
    {"C_winxp_UtilityMissing_ForceRestart", "win32", "winxp", "/quiet /forcerestart", "utility/tkrdchk.exe",
     "ORVEX\\tkrdchk.exe\": failed, error 2", PathCAllUsersFailed, "Program Files/ORVEX/tkrdchk.exe"},
    // The binding's 64-bit helper: the run ends where it binds.
    {"E_win10_64_BindingHelperMissing", "win64", "win10", "/quiet", "pnpbind64.exe",
     "Setup\\pnpbind64.exe\" is missing", Nothing, nullptr},
};
INSTANTIATE_TEST_SUITE_P(Steps, Truth, ::testing::ValuesIn(kTruth),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
