// The driver binding on 64-bit Windows, end to end: setup.exe is a 32-bit
// program, so its binding library hands the driver update to the 64-bit
// helper on the medium. The platform's driver-update library is replaced by
// the tests' stand-in (x86 and x64 builds), which records each call and
// answers bound or not bound; its call log lies outside drive_c, so the
// audit sees only what the program does. Also here, as it needs the same
// set-up before the start: the Korean notice on a 640 x 480 screen.
#include <algorithm>
#include <cctype>

#include "tests/e2e/install_support.h"

namespace {

using install_e2e::Expected;
using install_e2e::InstallTest;

const char kTimeout[] = "30000";

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size()) return false;
    return std::equal(tail.rbegin(), tail.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

class Binding64 : public InstallTest {
protected:
    // The stand-in newdev.dll in both system folders, and a decoy of the
    // library it imports on the medium, where the helper runs from, which
    // must not be taken.
    void UseStandIn(bool bound, bool restart) {
        std::filesystem::copy_file(e2e::GetPaths().buildRoot + "/win64/testbin/newdev-standin/x64/rsnewdevdep.dll",
                                   setupDir_ + "/rsnewdevdep.dll", std::filesystem::copy_options::overwrite_existing);
        UseNewdevStandIn(bound, restart);
    }

    // Every call made by the 64-bit helper with the reader's hardware ID and
    // the absolute INF path of the relative one the later-than-Vista path
    // passes (the case as written in the program: Wine keeps it).
    static void ExpectHelperCall(const standin::Call& c) {
        auto field = [&c](const char* key) {
            auto it = c.find(key);
            return it == c.end() ? std::string("(missing)") : it->second;
        };
        EXPECT_EQ(field("bits"), "64");
        EXPECT_TRUE(EndsWithNoCase(field("image"), "\\medium\\Setup\\pnpbind64.exe")) << field("image");
        EXPECT_TRUE(EndsWithNoCase(field("dep"), "\\windows\\system32\\rsnewdevdep.dll")) << field("dep");
        EXPECT_EQ(field("hwid"), "USB\\Vid_0d4e&Pid_0010");
        EXPECT_EQ(field("inf"), "C:\\medium\\Setup\\Drivers\\winxp\\orvex.inf");
        EXPECT_EQ(field("flags"), "1");
        EXPECT_EQ(field("parent"), "0");
        EXPECT_EQ(field("restartptr"), "1");
    }

    // Yes in the setup window, Yes to the later-than-Vista question.
    std::vector<std::string> YesYes() const {
        return Yes({"press-box", "--timeout", kTimeout, "--button", "Yes"});
    }

};

// Bound at the first try through the helper (the stand-in also sets the
// restart flag; the restart prompt comes either way): no re-plug prompt, the
// whole path C in Program Files (x86), the restart prompt and exit code 0.
class Binding64Versions : public Binding64, public ::testing::WithParamInterface<const char*> {};

TEST_P(Binding64Versions, LaterThanVistaBindsThroughTheHelper) {
    Prepare({"win64", GetParam(), "en_US"});
    ASSERT_NO_FATAL_FAILURE(UseStandIn(true, true));
    StartTraced();
    auto steps = YesYes();
    // A re-plug prompt would keep the window.
    for (const char* s : {"wait-gone", "--timeout", kTimeout}) steps.push_back(s);
    auto r = Robot(steps);
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_EQ(r.All("box").size(), 1u);  // the question only
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    auto calls = NewdevCalls();
    ASSERT_EQ(calls.size(), 1u) << e2e::ReadAll(newdevLog_);
    ExpectHelperCall(calls[0]);

    ExpectChanges(AuditNow(), install_e2e::PathC("Program Files (x86)"));
}

INSTANTIATE_TEST_SUITE_P(LaterThanVista, Binding64Versions, ::testing::ValuesIn(install_e2e::kLaterThanVista));

// Not bound: the re-plug prompt; OK tries again through the helper, Cancel
// ends the program with nothing installed and no restart prompt.
TEST_F(Binding64, RefusedBindingAsksToReplugThenCancel) {
    Prepare({"win64", "win10", "en_US"});
    ASSERT_NO_FATAL_FAILURE(UseStandIn(false, false));
    StartTraced();
    auto steps = YesYes();
    for (const char* s : {"press-box", "--timeout", kTimeout, "--button", "OK", "press-box", "--timeout",
                          kTimeout, "--button", "Cancel"})
        steps.push_back(s);
    auto r = Robot(steps);
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto boxes = r.All("box");
    ASSERT_EQ(boxes.size(), 3u) << r.raw;
    for (size_t i = 1; i < boxes.size(); ++i) {
        EXPECT_EQ(boxes[i].Get("text"), "Notice");
        EXPECT_EQ(boxes[i].Get("message"), "Please re-plug ORVEX Series Reader");
    }
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 0);
    auto calls = NewdevCalls();
    ASSERT_EQ(calls.size(), 2u) << e2e::ReadAll(newdevLog_);
    for (const auto& c : calls) ExpectHelperCall(c);
    auto a = AuditNow();
    EXPECT_FALSE(std::filesystem::exists(driveC_ + "/Program Files (x86)/ORVEX"));
    ExpectChanges(a, Expected{});
}

// The Korean notice on a 640 x 480 screen: Wine's virtual desktop of that
// size gives the prefix's programs that screen on the tests' shared display.
// The notice is widened for Korean to 773 and centred, which on Windows puts
// its left edge off the screen at (640 - 773) / 2 = -66, top (480 - 215) / 2
// = 132. Wine limits a window to the screen's maximum tracking size (screen
// plus frame), so here the widened window is narrower than 773: the test
// checks the centring on the window's real outer size, the Korean texts and
// the button placed for the intended 773.
class SmallScreen : public InstallTest {};

TEST_F(SmallScreen, KoreanNoticeIsCentredOnTheRealOuterSize) {
    Prepare({"win32", "nt40", "ko_KR"});
    ASSERT_NO_FATAL_FAILURE(
        ImportAndSnapshot({"[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]", "\"Desktop\"=\"Default\"", "",
                           "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]", "\"Default\"=\"640x480\""}));
    StartTraced();
    auto r = Robot({"screen", "wait-window", "--class", "TSetupForm", "--timeout", kTimeout, "type", "--text", "y",
                    "wait-window", "--class", "TLicenseForm", "--timeout", "60000", "wait-idle", "type", "--text",
                    "a", "wait-window", "--class", "TDialogForm", "--timeout", "60000", "wait-idle", "children"},
                   150000);
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto screen = r.Find("screen");
    ASSERT_TRUE(screen);
    ASSERT_EQ(screen->Int("width"), 640);
    ASSERT_EQ(screen->Int("height"), 480);
    std::optional<e2e::RobotLine> w;
    for (const auto& l : r.All("window"))
        if (l.Get("class") == "TDialogForm") w = l;
    ASSERT_TRUE(w) << r.raw;
    EXPECT_EQ(w->Get("text"), "주의");
    const long width = w->Int("width"), height = w->Int("height");
    EXPECT_GT(width, 640);  // widened past the screen
    EXPECT_LE(width, 773);
    EXPECT_EQ(height, 215);
    EXPECT_EQ(w->Int("x"), (640 - width) / 2);
    EXPECT_EQ(w->Int("y"), (480 - height) / 2);
    std::set<std::string> labels;
    for (const auto& c : r.All("child")) {
        if (c.Get("class") == "TLabel") labels.insert(c.Get("text"));
        if (c.Get("class") == "Button") {
            EXPECT_EQ(c.Get("text"), "OK");
            EXPECT_EQ(c.Int("x"), (773 - 262) / 2);
        }
    }
    EXPECT_EQ(labels, (std::set<std::string>{"드라이브 설치가 완성되었습니다!",
                                             "컴퓨터를 재부팅 하셔야만 장치가 올바로 작동합니다.",
                                             "컴퓨터를 재부팅하시기전에 스마트 카드리더의 연결 케이블을 컴퓨터에 연결하십시요."}));
    RobotOk({"find-window", "--class", "TDialogForm", "control", "--class", "Button", "--text", "OK", "click"});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
}

}  // namespace
