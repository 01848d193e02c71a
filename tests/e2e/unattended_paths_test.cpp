// /passive on 98 and NT 4.0: after the automatic Accept the setup window
// stays up while the run waits for the base components' marker. Their INF
// is held back from writing it, so the keys come in that wait; the test then
// writes it. Y must not start the pass again, N must not end the run: one
// pass, one installer start, and the run ends by itself with 3010.
#include <unistd.h>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

struct PassiveCase {
    const char* version;
    const char* keys;  // the first one would act
    const char *markerKey, *markerValue, *markerData;
    Expected (*changes)();
};

void PrintTo(const PassiveCase& c, std::ostream* os) { *os << c.version; }

class Passive : public Unattended, public ::testing::WithParamInterface<PassiveCase> {
protected:
    // The run's log once it holds text (a minute at most).
    std::string LogWith(const std::string& text) const {
        std::string log;
        for (int i = 0; i < 1200 && (log = e2e::ReadAll(driveC_ + "/" + kTempLog)).find(text) == std::string::npos; ++i)
            usleep(50 * 1000);
        return log;
    }
};

TEST_P(Passive, EndsByItselfAfterTheAutomaticAccept) {
    const PassiveCase& c = GetParam();
    Prepare({"win32", c.version, "en_US"});
    std::ofstream(setupDir_ + "/smclib/scbase.inf") << "[Version]\r\nSignature=\"$CHICAGO$\"\r\n[DefaultInstall]\r\n";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    const std::string dir = SetupDirInPrefix();
    RobotOk({"launch", "--exe", dir + "\\setup.exe", "--dir", dir, "--args", "/passive /acceptlicense"});
    ASSERT_NE(LogWith("InstallHinfSection").find("InstallHinfSection"), std::string::npos);
    RobotOk({"find-window", "--class", "TSetupForm", "type", "--text", c.keys, "wait-idle"});
    ASSERT_EQ(Wine({"reg", "add", c.markerKey, "/v", c.markerValue, "/d", c.markerData, "/f"}).exitCode, 0);
    LogWith("exit code ");
    const auto lines = ExpectLog(kTempLog, "", 3010);
    const auto count = [&lines](const char* text) {
        return std::count_if(lines.begin(), lines.end(), [text](const auto& l) { return l.find(text) != l.npos; });
    };
    EXPECT_EQ(count("InstallHinfSection"), 1);
    EXPECT_EQ(count("\\smclib\\smclib.sys"), 1);  // one pass
    Expected e = c.changes();
    e.filesCreated.push_back(kTempLog);
    ExpectChanges(AuditNow(), e);
}

const PassiveCase kPassive[] = {
    {"win98", "yn", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "SCardSvr",
     "C:\\windows\\system32\\SCardSvr.exe", PathA},
    {"nt40", "ny", "HKLM\\SYSTEM\\CurrentControlSet\\Services\\SCardSvr", "ObjectName", "LocalSystem", PathB},
};
INSTANTIATE_TEST_SUITE_P(Paths, Passive, ::testing::ValuesIn(kPassive),
                         [](const auto& info) { return std::string(info.param.version); });

}  // namespace
