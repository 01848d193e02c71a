// Paths C and E (Windows 2000, XP, Server 2003 and later systems) under
// Wine, driven by the robot in a fresh prefix with a fresh sample medium,
// each run audited: exactly the path's changes, nothing else.
#include <filesystem>

#include "tests/e2e/install_support.h"

namespace {

using install_e2e::Expected;
using install_e2e::InstallPaths;
using install_e2e::kTimeout;
using install_e2e::PathC;

// Later than Vista: No leaves everything as it was and the window asks
// again; Yes then runs path C with the relative INF path. Windows 7 to 10,
// as Wine reports them to setup.exe (kLaterThanVista).
class PathE : public InstallPaths, public ::testing::WithParamInterface<const char*> {};

TEST_P(PathE, AsksThenRunsPathC) {
    Prepare({"win32", GetParam(), "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");  // records the binding's arguments
    StartTraced();
    auto no =
        Robot(Yes({"press-box", "--timeout", kTimeout, "--button", "No", "find-window", "--class", "TSetupForm"}));
    ASSERT_TRUE(no.Ok()) << no.raw;
    auto question = no.Find("box");
    ASSERT_TRUE(question);
    EXPECT_EQ(question->Get("text"), "Error");
    EXPECT_EQ(question->Get("message"),
              "The OS version is higher than Windows VISTA and the current driver may not work. Would you like to "
              "install this driver? ");
    ASSERT_TRUE(SetupRunning());
    EXPECT_EQ(ProgressNow(), 0);

    auto yes = Robot({"find-window", "--class", "TSetupForm", "type", "--text", "Y", "press-box", "--timeout", kTimeout,
                      "--button", "Yes"});
    ASSERT_TRUE(yes.Ok()) << yes.raw;
    EXPECT_EQ(yes.Line("box").Get("message"), question->Get("message"));
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    auto calls = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "Call1"});
    EXPECT_NE(calls.output.find("|USB\\Vid_0d4e&Pid_0010|.\\Drivers\\winxp\\orvex.inf|1|"), std::string::npos)
        << calls.output;
    ExpectChanges(AuditNow(), PathC());
}

INSTANTIATE_TEST_SUITE_P(LaterThanVista, PathE, ::testing::ValuesIn(install_e2e::kLaterThanVista));

// Windows 2000 hands the binding the absolute INF path under the current directory.
TEST_F(InstallPaths, PathCWindows2000BindsFromTheAbsoluteInfPath) {
    Prepare({"win32", "win2k", "en_US"});
    PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
    StartTraced();
    YesRunsPathC({}, PathC());
    auto calls = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "Call1"});
    EXPECT_NE(calls.output.find("|C:\\medium\\Setup\\Drivers\\win2000\\orvex.inf|"), std::string::npos)
        << calls.output;
}

// Real clicks on the Yes label, as the robot's pointer gives them.
const std::vector<std::string> kClickYes = {"control", "--class", "TLabel", "--text", "&Yes", "mouse-click"};

// XP 32-bit with the real binding library: the whole path C, started by a
// click on Yes.
TEST_F(InstallPaths, PathCWindowsXp) {
    Prepare({"win32", "winxp", "en_US"});
    StartTraced();
    YesRunsPathC({}, PathC(), kClickYes);
}

// The release medium as a vendor presses it: signed with a throw-away
// certificate, put into the disc image, read back out of the image; its
// signatures verify there, and path C runs from it as extracted (read-only).
TEST_F(InstallPaths, PathCFromTheSignedImageReadBack) {
    const e2e::Paths& p = e2e::GetPaths();
    const std::string dir = p.work + "/release", iso = dir + "/medium.iso", back = dir + "/read-back";
    std::filesystem::create_directories(dir);
    auto cert = e2e::MakeSigner(dir, "signer", "throw away");
    ASSERT_EQ(cert.exitCode, 0) << cert.output;
    auto made = e2e::RunCommand({"bash", p.source + "/tools/make-medium.sh", "--sign", dir + "/signer.pfx", "--iso", iso,
                                 dir + "/medium", p.buildRoot},
                                {"RS_SIGN_PASSWORD=throw away"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    auto label = e2e::RunCommand({"xorriso", "-indev", iso, "-pvd_info"});
    EXPECT_NE(label.output.find("Volume Id    : ORVEX\n"), std::string::npos) << label.output;
    auto extract = e2e::RunCommand({"bash", "-c", "xorriso -osirrox on -indev " + iso + " -extract / " + back +
                                                      " && diff -r -x .make-medium " +
                                                      dir + "/medium " + back});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    for (const char* program : {"setup.exe", "pnpbind.dll", "pnpbind64.exe"}) {
        auto verify = e2e::RunCommand(
            {"osslsigncode", "verify", "-CAfile", dir + "/signer.pem", "-in", back + "/Setup/" + program});
        EXPECT_EQ(verify.exitCode, 0) << program << ":\n" << verify.output;
    }
    mediumFrom_ = back;
    Prepare({"win32", "winxp", "en_US"});
    e2e::RunCommand({"chmod", "-R", "u+w", back});  // removable again; the prefix has its copy
    StartTraced();
    YesRunsPathC({}, PathC());
}

// One installation per Yes: a second Yes arriving while the first one's
// press feedback processes messages is ignored, not run nested inside it.
// The stand-in binding library counts its calls.
class OnePassPerYes : public InstallPaths {
protected:
    void ExpectOnePathC(const std::vector<std::string>& presses) {
        Prepare({"win32", "winxp", "en_US"});
        PutInSetupFolder(TestBin("pnpbind.dll"), "pnpbind.dll");
        StartTraced();
        YesRunsPathC({}, PathC(), presses);
        auto count = Wine({"reg", "query", "HKCU\\Software\\ReaderSetupTests\\EngineStandinPnpbind", "/v", "CallCount"});
        std::istringstream words(count.output);
        std::string word;
        while (words >> word && word != "REG_DWORD") {
        }
        words >> word;
        EXPECT_EQ(word, "0x1") << count.output;
    }
};

TEST_F(OnePassPerYes, TwoQuickYKeys) { ExpectOnePathC({"type", "--text", "yy"}); }

TEST_F(OnePassPerYes, DoubleClickOnYes) {
    std::vector<std::string> presses = kClickYes;
    for (const char* s : {"--count", "2"}) presses.push_back(s);
    ExpectOnePathC(presses);
}

// Server 2003 / XP 64-bit reporting 5.2 takes path C.
TEST_F(InstallPaths, PathCVersionFivePointTwo) {
    Prepare({"win64", "winxp64", "en_US"});
    StartTraced();
    YesRunsPathC({}, PathC("Program Files (x86)"));
}

// The binding failing twice: two re-plug prompts answered OK, then the run
// goes on to its end; Cancel instead ends it with nothing installed.
TEST_F(InstallPaths, PathCBindingRetriedThenCancelled) {
    ASSERT_NO_FATAL_FAILURE(PrepareBindingThatFails(3));
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout, "--button", "OK", "press-box", "--timeout", kTimeout,
                        "--button", "OK", "press-box", "--timeout", kTimeout, "--button", "Cancel"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto boxes = r.All("box");
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& b : boxes) {
        EXPECT_EQ(b.Get("text"), "Notice");
        EXPECT_EQ(b.Get("message"), "Please re-plug ORVEX Series Reader");
    }
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

TEST_F(InstallPaths, PathCBindingRetriedUntilBound) {
    ASSERT_NO_FATAL_FAILURE(PrepareBindingThatFails(2));
    StartTraced();
    YesRunsPathC({"press-box", "--timeout", kTimeout, "--button", "OK", "press-box", "--timeout", kTimeout,
                  "--button", "OK"},
                 PathC());
}

// A shortcut that cannot be made escapes as the toolkit's error: its box,
// and the window stays at progress 2 with no INF copy and no restart prompt.
TEST_F(InstallPaths, ShortcutFailureEscapesAndTheWindowStays) {
    Prepare({"win32", "winxp", "en_US"});
    // Items of these names that are not shortcuts: loading them fails.
    for (const char* name : {"ORVEX Diagnostics.lnk", "Uninstall ORVEX Reader.lnk", "Installation Guide.lnk"})
        std::ofstream(driveC_ + "/users/root/Desktop/" + name) << "not a shortcut";
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    StartTraced();
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "setup");  // the application's title
    EXPECT_NE(r.Line("box").Get("message").find("IShellLink"), std::string::npos) << r.raw;
    auto ok = Robot({"press-box", "--timeout", kTimeout, "no-box", "--timeout", "1500"});
    ASSERT_TRUE(ok.Ok()) << ok.raw;
    EXPECT_TRUE(SetupRunning());
    EXPECT_EQ(ProgressNow(), 2);
    EXPECT_EQ(RestartPrompts(), 0);
    RobotOk({"find-window", "--class", "TSetupForm", "type", "--text", "n"});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_FALSE(std::filesystem::exists(driveC_ + "/windows/inf/ORVEX.inf"));
}

}  // namespace
