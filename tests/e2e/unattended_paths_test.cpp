// Unattended runs on the old systems' paths: /passive on 98 and NT 4.0,
// whose window stays up while the base components' installer runs, and the
// system components that the medium ships over newer installed ones.
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/e2e/unattended_support.h"

namespace {

using namespace unattended_e2e;

class UnattendedPaths : public Unattended {
protected:
    std::string Log() const { return e2e::ReadAll(driveC_ + "/" + kTempLog); }
    // Until the run's log holds text; false after the deadline.
    bool WaitForLog(const std::string& text) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (Log().find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

struct PassiveCase {
    const char* version;
    const char* keys;                    // typed in the order given: the first one would act
    std::vector<std::string> marker;     // reg add arguments: the base components' marker
    Expected (*changes)();
};

class Passive : public UnattendedPaths, public ::testing::WithParamInterface<PassiveCase> {};

// After the automatic Accept the window stays up until the base components'
// marker appears. Their INF is held back from writing it, so the keys come
// in that wait; the test writes it after them, and the run ends by itself:
// Y did not start the pass again, N did not end the run.
TEST_P(Passive, EndsByItselfAfterTheAutomaticAccept) {
    const PassiveCase& c = GetParam();
    Prepare({"win32", c.version, "en_US"});
    std::ofstream(setupDir_ + "/smclib/scbase.inf")
        << "[Version]\r\nSignature=\"$CHICAGO$\"\r\n[DefaultInstall]\r\n[DefaultInstall.NT]\r\n";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    const std::string dir = SetupDirInPrefix();
    RobotOk({"launch", "--exe", dir + "\\setup.exe", "--dir", dir, "--args", "/passive /acceptlicense"});
    ASSERT_TRUE(WaitForLog("InstallHinfSection")) << Log();
    RobotOk({"find-window", "--class", "TSetupForm", "type", "--text", c.keys, "wait-idle"});
    std::vector<std::string> add = {"reg", "add"};
    add.insert(add.end(), c.marker.begin(), c.marker.end());
    ASSERT_EQ(Wine(add).exitCode, 0);
    ASSERT_TRUE(WaitForLog("exit code ")) << Log();
    ExpectLog(kTempLog, "", 3010);
    EXPECT_EQ(Count(Log(), "InstallHinfSection"), 1) << Log();
    EXPECT_EQ(Count(Log(), "\\smclib\\smclib.sys"), 1) << Log();  // one pass
    Expected e = c.changes();
    e.filesCreated.push_back(kTempLog);
    ExpectChanges(AuditNow(), e);
}

const PassiveCase kPassive[] = {
    {"win98", "yn",
     {"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices", "/v", "SCardSvr", "/d",
      "C:\\windows\\system32\\SCardSvr.exe", "/f"},
     PathA},
    {"nt40", "ny", {"HKLM\\SYSTEM\\CurrentControlSet\\Services\\SCardSvr", "/v", "ObjectName", "/d", "LocalSystem", "/f"},
     PathB},
};
INSTANTIATE_TEST_SUITE_P(Paths, Passive, ::testing::ValuesIn(kPassive),
                         [](const auto& info) { return std::string(info.param.version); });

// Path B ships advpack.dll: an installed one with a file version stays where
// the medium's has none or a lower one; otherwise it is replaced, as one
// without a version (Wine's own) always is. The run counts it as done.
struct SystemFileCase {
    const char* name;
    const char* installed;  // put in the system folder; nullptr: Wine's own, without a version
    const char* medium;     // put on the medium; nullptr: the sample medium's, without a version
    bool kept;
};

void PrintTo(const SystemFileCase& c, std::ostream* os) { *os << c.name; }

class SystemFile : public UnattendedPaths, public ::testing::WithParamInterface<SystemFileCase> {};

TEST_P(SystemFile, ANewerInstalledAdvpackStays) {
    const SystemFileCase& c = GetParam();
    Prepare({"win32", "nt40", "en_US"});
    namespace fs = std::filesystem;
    const std::string installed = driveC_ + "/windows/system32/advpack.dll";
    const std::string medium = setupDir_ + "/smclib/advpack.dll";
    if (c.installed) fs::copy_file(TestBin(c.installed), installed, fs::copy_options::overwrite_existing);
    if (c.medium) fs::copy_file(TestBin(c.medium), medium, fs::copy_options::overwrite_existing);
    // Wine reads a system folder DLL's version from its own builtin copy
    // unless the file there is to be used.
    ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]", "\"advpack\"=\"native\"", ""});
    const std::string before = e2e::ReadAll(installed);
    const e2e::WatchedRun run = RunWatched("/quiet /acceptlicense");
    EXPECT_EQ(run.exitCode, 3010) << run.Describe();
    Expected e = PathB();
    e.filesCreated.push_back(kTempLog);
    if (c.kept) e.filesChanged.clear();
    ExpectChanges(AuditNow(), e);
    EXPECT_EQ(e2e::ReadAll(installed) == before, c.kept);
    EXPECT_EQ(e2e::ReadAll(installed) == e2e::ReadAll(medium), !c.kept);
    const bool logged = Log().find("kept \"C:\\windows\\System32\\advpack.dll\", version 7.0.0.0") != std::string::npos;
    EXPECT_EQ(logged, c.kept) << Log();
}

const SystemFileCase kSystemFiles[] = {
    {"NewerStays", "versioned-7.dll", "versioned-6.dll", true},
    {"VersionedStaysOverNone", "versioned-7.dll", nullptr, true},
    {"OlderIsReplaced", "versioned-5.dll", "versioned-6.dll", false},
    {"NoneIsReplaced", nullptr, "versioned-6.dll", false},
};
INSTANTIATE_TEST_SUITE_P(Nt40, SystemFile, ::testing::ValuesIn(kSystemFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
