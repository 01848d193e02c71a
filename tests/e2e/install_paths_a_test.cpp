// Path A (Windows 95, 98 and Me) under Wine, driven by the robot in a fresh
// prefix with a fresh sample medium, each run audited: exactly the path's
// changes, nothing else.
#include "tests/e2e/install_support.h"

namespace {

using install_e2e::AgreementFlow;
using install_e2e::AgreementTexts;
using install_e2e::Expected;
using install_e2e::kTimeout;

// Windows 95, 98 and Me from a disc's read-only medium: files, registry, cleanup and utilities, then
// the agreement; the 95/98 INF installer form ("rundll.exe setupx.dll") also runs under Wine
// and writes the RunServices marker that ends the check.
class PathANineFamily : public AgreementFlow, public ::testing::WithParamInterface<const char*> {};

TEST_P(PathANineFamily, ToTheEnd) {
    Prepare({"win32", GetParam(), "en_US", e2e::Medium::ReadOnly});
    StartTraced();
    AgreementTexts t = YesThenAgreement();
    EXPECT_EQ(t.accept, "&Accept");
    EXPECT_EQ(progressAtHandOver_, 3);
    AcceptUntilNotice();
    CloseNoticeWithOk();
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    auto run = Wine({"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "TkpSvc"});
    EXPECT_NE(run.output.find("C:\\windows\\system32\\TkpSvc.exe"), std::string::npos) << run.output;
    ExpectChanges(AuditNow(), install_e2e::PathA());
}

INSTANTIATE_TEST_SUITE_P(Versions, PathANineFamily, ::testing::Values("win95", "win98", "winme"));

// A missing reader INF on the medium: one box naming ORVEX.inf, nothing
// copied after it, no agreement window, the window stays.
TEST_F(AgreementFlow, PathAMissingInfStopsTheRun) {
    Prepare({"win32", "win98", "en_US"});
    RemoveFromSetupFolder("drivers/ORVEX.ncp");
    StartTraced();
    // The box stays up longer than the delay timer's second: the timer is
    // disarmed meanwhile, so no agreement window comes under it.
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout, "sleep", "--ms", "2000"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("text"), "Error");
    EXPECT_EQ(r.Line("box").Get("message"), "Cannot Copy ORVEX.inf, Error Code : 2");
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto after = Robot({"press-box", "no-box", "--timeout", "2500", "find-window", "--class",
                        "TSetupForm"});
    ASSERT_TRUE(after.Ok()) << after.raw;
    auto agreement = Robot({"find-window", "--class", "TLicenseForm"});
    EXPECT_FALSE(agreement.Ok()) << agreement.raw;
    EXPECT_TRUE(SetupRunning());
    // Back to asking: No works again, here by a real click.
    auto no = Robot({"find-window", "--class", "TSetupForm", "control", "--class", "TLabel", "--text", "&No",
                     "mouse-click"});
    EXPECT_TRUE(no.Ok()) << no.raw;
    EXPECT_EQ(WaitSetup(), 0);
    ExpectChanges(AuditNow(), Expected{});
}

// "y" then "n" typed quickly: the No arrives inside Yes's press feedback
// and is ignored, so the pass runs to its hand-over and the agreement
// window comes; Reject by a real click ends it.
TEST_F(AgreementFlow, QuickNoAfterYesIsIgnored) {
    Prepare({"win32", "win98", "en_US"});
    StartTraced();
    auto r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", kTimeout, "type", "--text", "yn",
                    "wait-window", "--class", "TLicenseForm", "--timeout", "60000", "sleep", "--ms", "500", "control",
                    "--class", "Button", "--text", "&Reject", "mouse-click", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.Line("box").Get("message"), "Smart Card Reader Driver Installed Failed!");
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
}

// The companion service program on Windows 98: in use by a running process
// (sharing violation) it keeps its old copy without a word; failing for
// another reason it is reported and the run still goes on to the agreement.
class CompanionProgram : public AgreementFlow {};

TEST_F(CompanionProgram, InUseGoesOnSilently) {
    Prepare({"win32", "win98", "en_US"});
    const std::string held = driveC_ + "/windows/system32/tkpsvc.exe";
    std::filesystem::copy_file(TestBin("robot.exe"), held);
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    // The robot, renamed, is the running companion program.
    StartInPrefix({"C:\\windows\\system32\\tkpsvc.exe", "mark", "sleep", "--ms", "120000"}, "companion");
    ASSERT_TRUE(WaitForOutput("companion", "mark tick="));
    const auto size = std::filesystem::file_size(held);
    StartTraced();
    YesThenAgreement();  // no box may come between Yes and the agreement window
    auto r = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "r", "press-box", "--timeout",
                    kTimeout});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(std::filesystem::file_size(held), size);  // the old program stays
}

TEST_F(CompanionProgram, OtherFailureIsReportedAndTheRunGoesOn) {
    Prepare({"win32", "win98", "en_US"});
    // A folder where the program should go: the copy is refused.
    std::filesystem::create_directory(driveC_ + "/windows/system32/tkpsvc.exe");
    filesBefore_ = e2e::SnapshotFiles(driveC_);
    StartTraced();
    // The box held beyond the delay timer's second: no agreement window
    // under it; once it is answered the timer is armed again.
    auto r = Robot(Yes({"wait-box", "--timeout", kTimeout, "sleep", "--ms", "2000"}));
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_FALSE(Robot({"find-window", "--class", "TLicenseForm"}).Ok());
    auto rest = Robot({"press-box", "wait-window", "--class", "TLicenseForm", "--timeout", "60000", "type", "--text",
                       "r", "press-box", "--timeout", kTimeout});
    ASSERT_TRUE(rest.Ok()) << rest.raw;
    const std::string message = r.Line("box").Get("message");
    EXPECT_EQ(message.rfind("Cannot Copy tkpsvc.exe, Error Code : ", 0), 0u) << message;
    EXPECT_EQ(message.find(": 32"), std::string::npos) << message;
    EXPECT_EQ(r.Line("box").Get("text"), "Error");
    EXPECT_EQ(WaitSetup(), 0);
}

}  // namespace
