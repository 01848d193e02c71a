// Path B (Windows NT 4.0) and the agreement and notice windows under Wine,
// driven by the robot in a fresh prefix with a fresh sample medium, each run
// audited: exactly the path's changes, nothing else.
#include "tests/e2e/install_support.h"

namespace {

using install_e2e::AgreementFlow;
using install_e2e::AgreementTexts;
using install_e2e::Expected;
using install_e2e::kTimeout;

// NT 4.0 from a disc's read-only medium to its end for real: Wine's rundll32 applies the medium's stand-in
// scbase.inf, whose marker ends the check; then the notice, the restart
// prompt and exit code 0.
TEST_F(AgreementFlow, PathBNt4ToTheEnd) {
    Prepare({"win32", "nt40", "en_US", e2e::Medium::ReadOnly});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.explanation, "Your system needs to install the Microsoft Smart Card Base Components; otherwise, the reader will not "
                             "work probably.");
    EXPECT_EQ(t.accept, "&Accept");
    EXPECT_EQ(t.reject, "&Reject");
    EXPECT_EQ(t.agreement.rfind("Microsoft Smart Card Base Components\r\n", 0), 0u);
    EXPECT_EQ(progressAtHandOver_, 2);
    auto n = AcceptUntilNotice();
    std::set<std::string> lines;
    for (const auto& c : n.All("child"))
        if (c.Get("class") == "TLabel") lines.insert(c.Get("text"));
    EXPECT_EQ(lines, (std::set<std::string>{"Drivers Installed Completely!",
                                            "You must restart this computer for taking effect.",
                                            "Please plug-in the smart card reader before the system restarting."}));
    EXPECT_EQ(n.Line("window", 1).Get("text"), "Notice");
    EXPECT_EQ(RestartPrompts(), 0);
    CloseNoticeWithOk();
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    ExpectChanges(AuditNow(), install_e2e::PathB());
}

// Reject: the warning, the end; no notice and no restart prompt, and no
// marker written.
TEST_F(AgreementFlow, RejectEndsWithAWarning) {
    Prepare({"win32", "nt40", "en_US"});
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "r", "press-box", "--timeout", kTimeout,
                    "no-box", "--timeout", "1500"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "Notice");
    EXPECT_EQ(r.Line("box").Get("message"), "Smart Card Reader Driver Installed Failed!");
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    Expected e = install_e2e::PathB();
    e.keysCreated.pop_back();
    e.valuesWritten.pop_back();
    ExpectChanges(AuditNow(), e);
}

// A Yes reaching the setup window while the agreement window is up is part
// of the same installation: no second pass runs (it would copy the driver
// files again, and the one taken away here would come back).
TEST_F(AgreementFlow, YesDuringTheAgreementIsIgnored) {
    Prepare({"win32", "nt40", "en_US"});
    StartTraced();
    YesThenAgreement();
    const std::string driver = driveC_ + "/windows/system32/drivers/orvex.sys";
    ASSERT_TRUE(std::filesystem::remove(driver));
    auto r = Robot({"find-window", "--class", "TSetupForm", "type", "--text", "y", "sleep", "--ms", "2000",
                    "find-window", "--class", "TLicenseForm", "control", "--class", "Button", "--text", "&Reject",
                    "mouse-click", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(std::filesystem::exists(driver));
    EXPECT_EQ(WaitSetup(), 0);
}

// NT 4.0: windrvr.sys failing ends the program after its box; wdusbd.sys
// failing leaves the window asking.
TEST_F(AgreementFlow, PathBCopyFailures) {
    Prepare({"win32", "nt40", "en_US"});
    RemoveFromSetupFolder("drivers/winnt4/windrvr.sys");
    StartTraced();
    auto r = Robot(Yes({"press-box", "--timeout", kTimeout}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy windrvr.sys, Error Code : 2");
    EXPECT_EQ(WaitSetup(), 0);
    Expected e;
    e.filesCreated = {"windows/system32/drivers/smclib.sys", "windows/system32/drivers/orvex.sys",
                      "windows/system32/drivers/wdusbd.sys"};
    e.filesChanged = {"windows/system32/advpack.dll"};
    ExpectChanges(AuditNow(), e);
}

TEST_F(AgreementFlow, PathBUsbDriverFailureKeepsTheWindow) {
    Prepare({"win32", "nt40", "en_US"});
    RemoveFromSetupFolder("drivers/winnt4/wdusbd.sys");
    StartTraced();
    auto r = Robot(Yes(
        {"press-box", "--timeout", kTimeout, "no-box", "--timeout", "2500", "find-window", "--class", "TSetupForm"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy wdusbd.sys, Error Code : 2");
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    EXPECT_TRUE(SetupRunning());
    RobotOk({"find-window", "--class", "TSetupForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

// NT 4.0 with an old marker and no INF installer to start: Accept removes the
// marker, the window closes and the check keeps polling; any ObjectName
// written later completes it at the next tick.
TEST_F(AgreementFlow, CheckWaitsForTheMarkerWrittenAfterAccept) {
    Prepare({"win32", "nt40", "en_US"});
    const std::string key = "HKLM\\System\\CurrentControlSet\\Services\\SCardSvr";
    ASSERT_EQ(Wine({"reg", "add", key, "/v", "ObjectName", "/d", "Old", "/f"}).exitCode, 0);
    std::filesystem::remove(driveC_ + "/windows/system32/rundll32.exe");  // WinExec fails: not noticed
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "control", "--class", "Button", "--text", "&Accept",
                    "mouse-click", "window", "wait-gone", "--timeout", kTimeout, "sleep", "--ms", "2000", "find-window",
                    "--class", "TSetupForm"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(Robot({"find-window", "--class", "TDialogForm"}).Ok());
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto query = Wine({"reg", "query", key, "/v", "ObjectName"});
    EXPECT_NE(query.exitCode, 0) << query.output;  // removed on Accept
    EXPECT_TRUE(SetupRunning());

    ASSERT_EQ(Wine({"reg", "add", key, "/v", "ObjectName", "/d", "anything", "/f"}).exitCode, 0);
    auto notice = Robot({"wait-window", "--class", "TDialogForm", "--timeout", "10000", "control", "--class", "Button",
                         "--text", "OK", "click"});
    ASSERT_TRUE(notice.Ok()) << notice.raw;
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
}

// The base components' installer is started shown normally, show command 5:
// a stand-in in rundll32's place records what it was started with.
TEST_F(AgreementFlow, InstallerStartedWithShowCommandFive) {
    Prepare({"win32", "nt40", "en_US"});
    std::filesystem::copy_file(TestBin("medium/XP64.exe"), driveC_ + "/windows/system32/rundll32.exe",
                               std::filesystem::copy_options::overwrite_existing);
    // Wine prefers its own rundll32 to a file in its place unless told.
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Software\\Wine\\DllOverrides", "/v", "rundll32.exe", "/d", "native", "/f"})
                  .exitCode,
              0);
    StartTraced();
    YesThenAgreement();
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "a", "wait-gone", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    const std::string record = setupDir_ + "/rundll32.installer-ran.txt";
    for (int i = 0; i < 100 && !std::filesystem::exists(record); ++i) usleep(100 * 1000);
    const std::string ran = e2e::ReadAll(record);
    EXPECT_NE(ran.find("command-line=C:\\windows\\system32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall "
                       "132 .\\smclib\\scbase.inf\r\n"),
              std::string::npos)
        << ran;
    EXPECT_NE(ran.find("show-command=5\r\n"), std::string::npos) << ran;
    Robot({"find-window", "--class", "TSetupForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

// The agreement and the notice in the three languages: screenshots kept,
// checked at a few pixels; the Korean notice is widened with its button
// placed on the window's outer width.
struct LanguageCase {
    const char* locale;
    const char* accept;
    const char* notice;
    int noticeWidth;
    int buttonLeft;
};

class AgreementLanguages : public AgreementFlow, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(AgreementLanguages, ScreenshotsOfAgreementAndNotice) {
    const LanguageCase& c = GetParam();
    Prepare({"win32", "nt40", c.locale});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.accept, c.accept);
    ASSERT_EQ(agreementRect_.size(), 4u);
    const int ax = agreementRect_[0], ay = agreementRect_[1];
    // The explanation is red; the agreement memo's background white.
    auto redOf = [&](const e2e::Image& img) {
        return e2e::CountPixels(img, ax + 10, ay + 8, 350, 52,
                                [](e2e::Rgb p) { return p.r > 180 && p.g < 80 && p.b < 80; });
    };
    // Ink of the question below the agreement: its first line, and what lies
    // left of the buttons from their top down, where nothing may be.
    auto questionInk = [&](const e2e::Image& img, int top, int bottom) {
        const e2e::Rgb back = img.At(ax + 4, ay + 340);
        return e2e::CountPixels(img, ax + 8, ay + top, 192, bottom - top,
                                [&](e2e::Rgb p) { return e2e::ColorDistance(p, back) > 60; });
    };
    e2e::Image a = ScreenshotWhen(
        std::string("agreement-") + c.locale,
        [&](const e2e::Image& img) {
            return redOf(img) > 50 && img.At(ax + 200, ay + 300) == e2e::Rgb{255, 255, 255} &&
                   questionInk(img, 312, 325) > 20;
        },
        agreementRect_);
    EXPECT_GT(redOf(a), 50);
    EXPECT_EQ(a.At(ax + 200, ay + 300), (e2e::Rgb{255, 255, 255}));
    // Its two lines fit the memo's width in "MS Sans Serif" and end above
    // Accept and Reject (a wider font wraps them into the buttons). Chinese
    // and Korean Windows draw them in the locale's own font instead, whose
    // widths Wine's stand-in for it does not have: English only.
    EXPECT_GT(questionInk(a, 312, 325), 20);
    if (std::string(c.locale) == "en_US") {
        EXPECT_EQ(questionInk(a, 341, 369), 0);
    }

    auto n = AcceptUntilNotice();
    auto w = n.Find("window", 1);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->Get("text"), c.notice);
    EXPECT_EQ(w->Int("width"), c.noticeWidth);
    EXPECT_EQ(w->Int("x"), (1024 - c.noticeWidth) / 2);
    for (const auto& ch : n.All("child"))
        if (ch.Get("class") == "Button") {
            EXPECT_EQ(ch.Int("x"), c.buttonLeft);
        }
    const int nx = static_cast<int>(w->Int("client-x")), ny = static_cast<int>(w->Int("client-y"));
    // The picture's grey corner is see-through; its question mark blue.
    auto blueOf = [&](const e2e::Image& img) {
        return e2e::CountPixels(img, nx + 16, ny + 32, 41, 33,
                                [](e2e::Rgb p) { return p.b > 200 && p.r < 60 && p.g < 60; });
    };
    e2e::Image s = ScreenshotWhen(
        std::string("notice-") + c.locale, [&](const e2e::Image& img) { return blueOf(img) > 20; },
        std::vector<int>{nx, ny, static_cast<int>(w->Int("client-width")), static_cast<int>(w->Int("client-height"))});
    const e2e::Rgb face = s.At(nx + 5, ny + 5);
    EXPECT_EQ(s.At(nx + 16, ny + 32), face);
    EXPECT_GT(blueOf(s), 20);
    // The close box closes the notice as OK does: the restart prompt follows.
    RobotOk({"find-window", "--class", "TDialogForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
}

const LanguageCase kLanguages[] = {
    {"en_US", "&Accept", "Notice", 633, 179},
    {"zh_TW", "接受(&A)", "注意", 633, 179},
    {"ko_KR", "예", "주의", 773, 255},
};

INSTANTIATE_TEST_SUITE_P(Languages, AgreementLanguages, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.locale); });

// At 120 dpi (Wine reads the screen resolution from HKCU\Control Panel\Desktop
// LogPixels) the notice window is rescaled: outer size, places and fonts by
// 120/96, while the 4 pixels above the button and the Korean widening of 140
// stay plain pixels. The setup and agreement windows keep their pixels.
struct ScaledCase {
    const char* locale;
    int noticeWidth;  // 633 * 120 / 96 rounded, plus 140 for Korean
    int buttonLeft;   // (width - button width 328) / 2 for Korean
};

class NoticeAt120Dpi : public AgreementFlow, public ::testing::WithParamInterface<ScaledCase> {};

TEST_P(NoticeAt120Dpi, NoticeScaledOthersNot) {
    const ScaledCase& c = GetParam();
    Prepare({"win32", "nt40", c.locale});
    ASSERT_EQ(Wine({"reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD", "/d", "120",
                    "/f"})
                  .exitCode,
              0);
    StartTraced();
    YesThenAgreement();
    auto windows = Robot({"find-window", "--class", "TSetupForm", "find-window", "--class", "TLicenseForm"});
    ASSERT_TRUE(windows.Ok()) << windows.raw;
    EXPECT_EQ(windows.Find("window", 0)->Int("client-width"), 525);
    EXPECT_EQ(windows.Find("window", 0)->Int("client-height"), 186);
    EXPECT_EQ(windows.Find("window", 1)->Int("width"), 380);
    EXPECT_EQ(windows.Find("window", 1)->Int("height"), 399);

    auto n = AcceptUntilNotice();
    auto w = n.Find("window", 1);
    ASSERT_TRUE(w) << n.raw;
    EXPECT_EQ(w->Int("width"), c.noticeWidth);
    EXPECT_EQ(w->Int("height"), 269);  // 215 * 120 / 96, rounded
    EXPECT_EQ(w->Int("x"), (1024 - c.noticeWidth) / 2);
    std::set<long> labelTops;
    for (const auto& ch : n.All("child")) {
        if (ch.Get("class") == "Button") {
            EXPECT_EQ(ch.Int("x"), c.buttonLeft);
            EXPECT_EQ(ch.Int("width"), 328);
            EXPECT_EQ(ch.Int("height"), 51);
            EXPECT_EQ(ch.Int("y"), w->Int("client-height") - 51 - 4);
        } else if (ch.Get("class") == "TLabel") {
            EXPECT_EQ(ch.Int("x"), 90);
            EXPECT_GE(ch.Int("height"), 23);  // the font's 16 pixels are 20 now (19 or 20 high at 96 dpi)
            labelTops.insert(ch.Int("y"));
        }
    }
    EXPECT_EQ(labelTops, (std::set<long>{20, 60, 100}));  // 16, 48 and 80 at 96 dpi
    Robot({"find-window", "--class", "TDialogForm", "close"});
    EXPECT_EQ(WaitSetup(), 0);
}

const ScaledCase kScaled[] = {
    {"en_US", 791, 224},
    {"ko_KR", 931, 301},
};
INSTANTIATE_TEST_SUITE_P(Languages, NoticeAt120Dpi, ::testing::ValuesIn(kScaled),
                         [](const auto& info) { return std::string(info.param.locale); });

}  // namespace
