// Paths D (XP 64-bit and Vista: the platform's own installer) and F (an
// unknown system) under Wine, driven by the robot in a fresh prefix with a
// fresh sample medium, each run audited: exactly the path's changes.
#include "tests/e2e/install_support.h"

namespace {

using install_e2e::Expected;
using install_e2e::InstallPaths;
using install_e2e::InstallTest;
using install_e2e::kTimeout;

// Server 2008 (6.0, a server product type) is not a platform of the
// program: one box, and nothing touched.
TEST_F(InstallPaths, PathFRefusesAnUnknownSystem) {
    Prepare({"win32", "win2008", "en_US"});
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto box = r.Find("box");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->Get("text"), "Error");
    EXPECT_EQ(box->Get("message"), "Unknow System!");
    EXPECT_EQ(r.All("button").size(), 1u);
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

// XP 64-bit and Vista: the window goes, the platform's installer runs in the
// setup folder, then the restart prompt and the end, whatever code the
// installer exits with (not looked at by hand).
struct PlatformInstallerCase {
    const char* arch;
    const char* version;
    const char* installer;
    const char* exitCode;
};

class PathD : public InstallTest {
protected:
    // Yes: the window goes, the installer runs, then the restart prompt and
    // the end. What the stand-in installer recorded, which it writes only
    // once its broadcast has been answered.
    std::string YesRunsInstaller(const std::string& stem) {
        StartTraced();
        auto r = Robot(Yes({"wait-gone", "--timeout", kTimeout}));
        EXPECT_TRUE(r.Ok()) << r.raw;
        EXPECT_EQ(WaitSetup(), 0);
        EXPECT_EQ(RestartPrompts(), 1);
        return e2e::ReadAll(setupDir_ + "/" + stem + ".installer-ran.txt");
    }
};

class PathDInstallers : public PathD, public ::testing::WithParamInterface<PlatformInstallerCase> {};

TEST_P(PathDInstallers, RunsThePlatformInstaller) {
    const PlatformInstallerCase& c = GetParam();
    Prepare({c.arch, c.version, "en_US"});
    const std::string stem = std::string(c.installer).substr(0, std::string(c.installer).find('.'));
    std::ofstream(setupDir_ + "/" + stem + ".exitcode") << c.exitCode;
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    const std::string ran = YesRunsInstaller(stem);
    EXPECT_NE(ran.find("show-command=-1\r\n"), std::string::npos) << ran;  // as the installer chooses
    EXPECT_NE(ran.find(std::string("program=") + c.installer + "\r\n"), std::string::npos) << ran;
    EXPECT_NE(ran.find("current-directory=C:\\medium\\Setup\r\n"), std::string::npos) << ran;
    // The whole path, quoted. (Wine quotes it also for a program started
    // without a command line, where Windows passes the bare path: only the
    // host test of the command building sees that fault.)
    EXPECT_NE(ran.find(std::string("command-line=\"C:\\medium\\Setup\\") + c.installer + "\"\r\n"),
              std::string::npos)
        << ran;
    ExpectChanges(AuditNow(), install_e2e::PathD(stem));
}

// A medium whose folder name has a blank: the installer gets its whole path
// as its program name, and runs in that folder. (Wine would quote the path
// by itself for a program started without a command line; Windows passes it
// bare, split at the blank: the command building is host-tested.)
TEST_F(PathD, InstallerInAFolderWithBlanks) {
    Prepare({"win32", "vista", "en_US"});
    std::filesystem::rename(driveC_ + "/medium", driveC_ + "/Driver CD");
    setupDir_ = driveC_ + "/Driver CD/Setup";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    const std::string ran = YesRunsInstaller("Vista32");
    EXPECT_NE(ran.find("current-directory=C:\\Driver CD\\Setup\r\n"), std::string::npos) << ran;
    EXPECT_NE(ran.find("command-line=\"C:\\Driver CD\\Setup\\Vista32.exe\"\r\n"), std::string::npos) << ran;
}

const PlatformInstallerCase kInstallers[] = {
    {"win64", "winxp", "XP64.exe", "1641"},
    {"win32", "vista", "Vista32.exe", "3010"},
    {"win64", "vista", "Vista64.exe", "5"},
};
INSTANTIATE_TEST_SUITE_P(Platforms, PathDInstallers, ::testing::ValuesIn(kInstallers), [](const auto& info) {
    return std::string(info.param.arch) + "_" + info.param.version;
});

// The same with the installer missing: the system's text for a missing
// file, the instruction, exit code 0 and no restart prompt. Chinese boxes
// only for a Traditional Chinese system; Korean gets English.
struct MissingInstallerCase {
    const char* locale;
    const char* errorCaption;
    const char* errorPrefix;
    const char* infoCaption;
    const char* infoText;
};

class PathDMissingInstaller : public InstallTest, public ::testing::WithParamInterface<MissingInstallerCase> {};

TEST_P(PathDMissingInstaller, TwoBoxesThenTheEnd) {
    const MissingInstallerCase& c = GetParam();
    Prepare({"win64", "vista", c.locale});
    RemoveFromSetupFolder("Vista64.exe");
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout, "press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto boxes = r.All("box");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].Get("text"), c.errorCaption);
    const std::string error = boxes[0].Get("message");
    EXPECT_EQ(error.rfind(c.errorPrefix, 0), 0u) << error;
    EXPECT_GT(error.size(), std::string(c.errorPrefix).size() + 3) << error;  // the system's text follows
    if (std::string(c.locale) == "en_US") {  // Wine gives the system text in the system language
        EXPECT_NE(error.find("ile not found"), std::string::npos) << error;
    }
    EXPECT_EQ(boxes[0].Int("owner"), 0);
    EXPECT_EQ(boxes[1].Get("text"), c.infoCaption);
    EXPECT_EQ(boxes[1].Get("message"), c.infoText);
    EXPECT_EQ(boxes[1].Int("owner"), 0);
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    Expected e;
    e.filesCreated = {"windows/inf/ORVEX.inf"};
    ExpectChanges(AuditNow(), e);
}

const char kEnglishInfo[] = "Please execute the following file to install driver : CD-ROM\\Setup\\Vista64.exe";
const MissingInstallerCase kMissing[] = {
    {"en_US", "Error", "Setup Error: ", "Information", kEnglishInfo},
    {"zh_TW", "錯誤", "安裝程式發生錯誤: ", "提示", "請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\Vista64.exe "},
    {"ko_KR", "Error", "Setup Error: ", "Information", kEnglishInfo},
};
INSTANTIATE_TEST_SUITE_P(Languages, PathDMissingInstaller, ::testing::ValuesIn(kMissing),
                         [](const auto& info) { return std::string(info.param.locale); });

}  // namespace
