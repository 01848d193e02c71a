// The setup window as the user meets it, in English, Traditional Chinese and
// Korean: texts, layout, picture, highlight colours, and the two ways out
// before Yes (typing "n", the close box) that must leave the system untouched.
#include <string>

#include "tests/e2e/e2e_harness.h"

namespace {

using e2e::Rgb;
using e2e::RobotLine;
using e2e::RobotResult;

// Expectations written independently of the program's tables (UTF-8 here).
struct LanguageCase {
    const char* locale;
    const char* caption;
    const char* title;
    const char* yes;
    const char* no;
};

const LanguageCase kLanguages[] = {
    {"en_US", "ORVEX Series Reader Driver Setup Program v6.4", "TK750RD/TKnano/Corvid Driver Setup", "&Yes", "&No"},
    {"zh_TW", "ORVEX系列驅動程式安裝程式 v6.4", "TK750RD/TKnano/Corvid 驅動程式安裝", "是(&Y)", "否(&N)"},
    {"ko_KR", "TK750RD 스마트 카드리더 드라이버 설치 프로그램V6.1", "리더기가 PC에 연결되어있습니까?", "예", "아니오"},
};

constexpr Rgb kTitleGreen{0, 128, 0};
constexpr Rgb kLabelGreen{82, 166, 24};
constexpr Rgb kHighlightBlue{0, 0, 255};

std::string Name(const ::testing::TestParamInfo<LanguageCase>& info) { return info.param.locale; }

class SetupWindow : public e2e::SetupTest {
protected:
    void StartAs(const char* locale, const char* arch = "win32") {
        Prepare({arch, "winxp", locale});
        StartSetup();
    }

    // The setup window's line of a robot run that waited for it.
    static RobotLine Window(const RobotResult& r) {
        auto w = r.Find("window");
        EXPECT_TRUE(w) << r.raw;
        return w ? *w : RobotLine{};
    }

    static std::optional<RobotLine> Child(const RobotResult& r, const std::string& cls, const std::string& text = "") {
        for (const auto& c : r.All("child"))
            if (c.Get("class") == cls && (text.empty() || c.Get("text") == text)) return c;
        return std::nullopt;
    }

    // Pixels of a colour (within tolerance) in a client-relative rectangle
    // of the window, on a screenshot.
    static int CountColor(const e2e::Image& img, const RobotLine& win, int left, int top, int width, int height,
                          Rgb color, int tolerance) {
        return e2e::CountPixels(img, static_cast<int>(win.Int("client-x")) + left,
                                static_cast<int>(win.Int("client-y")) + top, width, height,
                                [&](Rgb p) { return e2e::ColorDistance(p, color) <= tolerance; });
    }

    static Rgb ClientPixel(const e2e::Image& img, const RobotLine& win, int x, int y) {
        return img.At(static_cast<int>(win.Int("client-x")) + x, static_cast<int>(win.Int("client-y")) + y);
    }

    // The program ends with exit code 0 and changed nothing.
    void ExpectCleanEnd() {
        auto code = WaitSetup(20000);
        ASSERT_TRUE(code) << "setup.exe did not end";
        EXPECT_EQ(*code, 0);
        e2e::Audit audit = AuditNow();
        EXPECT_TRUE(audit.Empty()) << audit.Describe();
    }
};

class SetupWindowLanguages : public SetupWindow, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(SetupWindowLanguages, TextsLayoutAndPicture) {
    const LanguageCase& lang = GetParam();
    StartAs(lang.locale);
    RobotResult r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", "30000", "wait-idle", "screen",
                           "window", "children"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    RobotLine win = Window(r);
    EXPECT_EQ(win.Get("text"), lang.caption);
    EXPECT_EQ(win.Int("client-width"), 525);
    EXPECT_EQ(win.Int("client-height"), 186);
    // Centred on the 1024 x 768 screen by its outer size, truncating.
    EXPECT_EQ(win.Int("x"), (1024 - win.Int("width")) / 2);
    EXPECT_EQ(win.Int("y"), (768 - win.Int("height")) / 2);

    auto title = Child(r, "TLabel", lang.title);
    auto yes = Child(r, "TLabel", lang.yes);
    auto no = Child(r, "TLabel", lang.no);
    auto bar = Child(r, "msctls_progress32");
    auto picture = Child(r, "TImage");
    ASSERT_TRUE(title && yes && no && bar && picture) << r.raw;
    EXPECT_EQ(title->Int("x"), 88);
    EXPECT_EQ(title->Int("y"), 48);
    EXPECT_GT(title->Int("width"), 0);
    EXPECT_EQ(yes->Int("x"), 292);
    EXPECT_EQ(yes->Int("y"), 134);
    EXPECT_EQ(yes->Int("width"), 73);
    EXPECT_EQ(yes->Int("height"), 25);
    EXPECT_EQ(no->Int("x"), 396);
    EXPECT_EQ(no->Int("y"), 134);
    EXPECT_EQ(no->Int("width"), 73);
    EXPECT_EQ(no->Int("height"), 25);
    EXPECT_EQ(bar->Int("x"), 50);
    EXPECT_EQ(bar->Int("y"), 105);
    EXPECT_EQ(bar->Int("width"), 426);
    EXPECT_EQ(bar->Int("height"), 8);
    EXPECT_EQ(picture->Int("x"), 0);
    EXPECT_EQ(picture->Int("y"), 0);
    EXPECT_EQ(picture->Int("width"), 533);
    EXPECT_EQ(picture->Int("height"), 189);

    // The window has painted once the Yes label's green is on screen.
    e2e::Image shot = ScreenshotWhen(
        std::string("setup-window-") + lang.locale,
        [&](const e2e::Image& img) { return CountColor(img, win, 292, 134, 73, 25, kLabelGreen, 30) > 10; },
        std::vector<int>{static_cast<int>(win.Int("left")), static_cast<int>(win.Int("top")),
                         static_cast<int>(win.Int("width")), static_cast<int>(win.Int("height"))});
    ASSERT_GT(shot.width, 0);
    // The picture: green at the top, pale yellow-green at the bottom, both edges.
    EXPECT_LE(e2e::ColorDistance(ClientPixel(shot, win, 1, 2), {66, 211, 75}), 40)
        << e2e::ToString(ClientPixel(shot, win, 1, 2));
    EXPECT_LE(e2e::ColorDistance(ClientPixel(shot, win, 523, 2), {107, 218, 85}), 40)
        << e2e::ToString(ClientPixel(shot, win, 523, 2));
    EXPECT_LE(e2e::ColorDistance(ClientPixel(shot, win, 1, 184), {224, 243, 155}), 40)
        << e2e::ToString(ClientPixel(shot, win, 1, 184));
    EXPECT_LE(e2e::ColorDistance(ClientPixel(shot, win, 523, 184), {234, 245, 170}), 40)
        << e2e::ToString(ClientPixel(shot, win, 523, 184));
    // Title line in title green, labels in label green, nothing highlighted yet.
    EXPECT_GT(CountColor(shot, win, 88, 48, static_cast<int>(title->Int("width")),
                         static_cast<int>(title->Int("height")), kTitleGreen, 30), 20);
    EXPECT_GT(CountColor(shot, win, 292, 134, 73, 25, kLabelGreen, 30), 10);
    EXPECT_GT(CountColor(shot, win, 396, 134, 73, 25, kLabelGreen, 30), 10);
    EXPECT_EQ(CountColor(shot, win, 292, 134, 177, 25, kHighlightBlue, 60), 0);

    // Typing "n": the No label steps 1 pixel right and down while the
    // feedback runs, and the window goes no sooner than 200 ms after.
    RobotResult n = Robot({"wait-window", "--class", "TSetupForm", "type", "--text", "n", "control", "--class",
                           "TLabel", "--text", lang.no, "wait-pos", "--x", "397", "--y", "135", "wait-gone",
                           "--timeout", "10000"});
    ASSERT_TRUE(n.Ok()) << n.raw;
    // The control's window goes with its form; measured where it goes, not
    // at process exit.
    auto gone = n.Find("gone");
    ASSERT_TRUE(gone);
    EXPECT_GE(gone->Int("ms"), 200);
    EXPECT_LT(gone->Int("ms"), 3000);
    ExpectCleanEnd();
}

INSTANTIATE_TEST_SUITE_P(Languages, SetupWindowLanguages, ::testing::ValuesIn(kLanguages), Name);

// The pointer's highlight: blue over the label under it, green elsewhere;
// a move over the picture clears it.
TEST_F(SetupWindow, HighlightFollowsThePointer) {
    StartAs("en_US");
    auto step = [&](int x, int y) {
        // The window's thread back in its loop first: the system's moves for
        // the window's appearance (where an earlier test left the pointer)
        // would otherwise come after this one and undo it.
        RobotResult r = Robot({"wait-window", "--class", "TSetupForm", "wait-idle", "mouse-move", "--x",
                               std::to_string(x), "--y", std::to_string(y), "wait-idle"});
        EXPECT_TRUE(r.Ok()) << r.raw;
        return r;
    };
    RobotResult overYes = step(292 + 36, 134 + 12);
    EXPECT_EQ(overYes.Line("moved").Get("class"), "TLabel");
    RobotLine win = Window(overYes);
    e2e::Image a = ScreenshotWhen("pointer-over-yes", [&](const e2e::Image& img) {
        return CountColor(img, win, 292, 134, 73, 25, kHighlightBlue, 60) > 10;
    });
    EXPECT_GT(CountColor(a, win, 292, 134, 73, 25, kHighlightBlue, 60), 10);
    EXPECT_EQ(CountColor(a, win, 396, 134, 73, 25, kHighlightBlue, 60), 0);
    EXPECT_GT(CountColor(a, win, 396, 134, 73, 25, kLabelGreen, 30), 10);

    step(396 + 36, 134 + 12);
    e2e::Image b = ScreenshotWhen("pointer-over-no", [&](const e2e::Image& img) {
        return CountColor(img, win, 396, 134, 73, 25, kHighlightBlue, 60) > 10;
    });
    EXPECT_EQ(CountColor(b, win, 292, 134, 73, 25, kHighlightBlue, 60), 0);
    EXPECT_GT(CountColor(b, win, 292, 134, 73, 25, kLabelGreen, 30), 10);
    EXPECT_GT(CountColor(b, win, 396, 134, 73, 25, kHighlightBlue, 60), 10);

    RobotResult overPicture = step(20, 20);
    EXPECT_EQ(overPicture.Line("moved").Get("class"), "TImage");
    e2e::Image c = ScreenshotWhen("pointer-over-picture", [&](const e2e::Image& img) {
        return CountColor(img, win, 292, 134, 177, 25, kHighlightBlue, 60) == 0;
    });
    EXPECT_EQ(CountColor(c, win, 292, 134, 177, 25, kHighlightBlue, 60), 0);
    EXPECT_GT(CountColor(c, win, 292, 134, 73, 25, kLabelGreen, 30), 10);
    EXPECT_GT(CountColor(c, win, 396, 134, 73, 25, kLabelGreen, 30), 10);

    RobotOk({"wait-window", "--class", "TSetupForm", "close"});
    ExpectCleanEnd();
}

// The close box (system menu Close) ends the program at once, without the
// No label's feedback; so does WM_CLOSE.
TEST_F(SetupWindow, CloseBoxEndsWithoutChanges) {
    StartAs("en_US");
    RobotResult r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", "30000", "close", "wait-gone"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    EXPECT_LT(r.Line("gone").Int("ms"), 3000);
    ExpectCleanEnd();
}

TEST_F(SetupWindow, WmCloseEndsWithoutChanges) {
    StartAs("ko_KR", "win64");
    RobotResult r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", "30000", "close", "--how",
                           "wm-close", "wait-gone"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    ExpectCleanEnd();
}

}  // namespace
