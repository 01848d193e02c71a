// What no window shows, read from the relay trace of setup.exe's own calls:
// every progress position a path sets (most are overwritten before anything
// on screen could show them), the command line the external installer is
// started with (Wine quotes a missing one by itself), and the two timers as
// a user meets them: when the agreement window comes and how soon the
// completion check sees the base components.
#include <algorithm>
#include <optional>
#include <thread>

#include "tests/e2e/relay_trace.h"

namespace {

using e2e::RelayCall;

const char kTimeout[] = "30000";
const char kTraced[] =
    "kernel32.CreateProcessA;user32.SendMessageA;user32.SetTimer;user32.KillTimer;user32.SetWindowPos;"
    "advapi32.RegOpenKeyA;advapi32.OpenSCManagerA;advapi32.OpenServiceA;user32.MsgWaitForMultipleObjects;"
    "gdi32.CreateFontA";

// Early by a clock tick at most: Windows' clock advances in steps of about
// 15.6 ms, and the trace's timestamps in whole milliseconds.
constexpr double kTick = 0.02;
// The progress bar's messages (commctrl.h).
constexpr unsigned long kSetRange = 0x401, kSetPos = 0x402;
constexpr unsigned long kVariablePitchSwiss = 0x22, kVariablePitchRoman = 0x12;  // VARIABLE_PITCH | FF_SWISS, FF_ROMAN

class InstallTrace : public e2e::RelayTracedTest {
protected:
    void PrepareTraced(const e2e::RunOptions& options) {
        Prepare(options);
        TraceCalls(kTraced);
    }

    // Yes, and the setup window's handle (the robot's lines in *out).
    unsigned long StartAndYes(const std::vector<std::string>& next, e2e::RobotResult* out = nullptr) {
        StartRelayTraced();
        auto r = Robot(Yes(next));
        EXPECT_TRUE(r.Ok()) << r.raw;
        if (out) *out = r;
        return WindowOf(r, "TSetupForm");
    }
    static unsigned long WindowOf(const e2e::RobotResult& r, const std::string& cls) {
        for (const auto& w : r.All("window"))
            if (w.Get("class") == cls) return std::stoul(w.Get("hwnd"), nullptr, 16);
        ADD_FAILURE() << "no " << cls << " in\n" << r.raw;
        return 0;
    }

    // A label's press: moved one pixel right and down from its place, and
    // back (times of both moves).
    std::pair<double, double> PressOf(int left, int top) const {
        std::optional<double> down;
        for (const RelayCall& c : Calls("user32.SetWindowPos")) {
            if (c.Word(2) == static_cast<unsigned long>(left + 1) && c.Word(3) == static_cast<unsigned long>(top + 1))
                down = c.at;
            else if (down && c.Word(2) == static_cast<unsigned long>(left) && c.Word(3) == static_cast<unsigned long>(top))
                return {*down, c.at};
        }
        ADD_FAILURE() << "no press of the label at " << left << "," << top;
        return {0, 0};
    }
    double PressedFor(int left, int top) const {
        const auto [down, up] = PressOf(left, top);
        return up - down;
    }

    // The positions the pass set on the progress bar (the window given the
    // range 0 to 4), in order, from the press of Yes on.
    std::vector<RelayCall> PositionCalls() const {
        const double yes = PressOf(292, 134).first;
        unsigned long bar = 0;
        std::vector<RelayCall> out;
        for (const RelayCall& c : Calls("user32.SendMessageA")) {
            if (c.Word(1) == kSetRange) {
                bar = c.Word(0);
                EXPECT_EQ(c.Word(3), 4ul << 16) << "range 0 to 4";
            } else if (c.Word(1) == kSetPos && c.Word(0) == bar && c.at >= yes) {
                out.push_back(c);
            }
        }
        return out;
    }
    std::vector<int> Positions(double before = 1e18) const {
        std::vector<int> out;
        for (const RelayCall& c : PositionCalls())
            if (c.at < before) out.push_back(static_cast<int>(c.Word(2)));
        return out;
    }

    // The first call of a function on a window's timer (SetTimer, KillTimer).
    std::optional<RelayCall> FindTimerCall(const std::string& function, unsigned long window, double after = 0) const {
        for (const RelayCall& c : Calls(function))
            if (c.Word(0) == window && c.at >= after) return c;
        return std::nullopt;
    }
    RelayCall TimerCall(const std::string& function, unsigned long window, double after = 0) const {
        auto c = FindTimerCall(function, window, after);
        if (!c) ADD_FAILURE() << "no " << function << " on window " << std::hex << window;
        return c.value_or(RelayCall{});
    }
};

// Path D from a medium folder with blanks: the installer's own path in
// quotes as its command line, and every position up to 4 set before it
// starts, the setup window hidden meanwhile.
TEST_F(InstallTrace, PathDQuotesTheInstallerAndSetsEveryPosition) {
    PrepareTraced({"win32", "vista", "en_US"});
    std::filesystem::rename(driveC_ + "/medium", driveC_ + "/Driver CD");
    setupDir_ = driveC_ + "/Driver CD/Setup";
    StartAndYes({"wait-gone", "--timeout", kTimeout});
    EXPECT_EQ(WaitSetup(), 0);
    const auto started = Calls("kernel32.CreateProcessA");
    ASSERT_EQ(started.size(), 1u) << SetupOutput();
    EXPECT_EQ(started[0].Text(0), "C:\\Driver CD\\Setup\\Vista32.exe");
    EXPECT_EQ(started[0].Text(1), "\"C:\\Driver CD\\Setup\\Vista32.exe\"");
    EXPECT_EQ(started[0].Text(7), "C:\\Driver CD\\Setup\\");
    EXPECT_EQ(Positions(started[0].at), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Positions(), Positions(started[0].at));
}

// Path C: service 1, binding 2, utilities 3, INF 4, then the restart prompt.
// The service is asked for no more rights than it needs (Wine grants any).
TEST_F(InstallTrace, PathCSetsEveryPosition) {
    PrepareTraced({"win32", "winxp", "en_US"});
    StartAndYes({"wait-gone", "--timeout", kTimeout});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    EXPECT_EQ(Positions(), (std::vector<int>{0, 1, 2, 3, 4}));
    const auto manager = Calls("advapi32.OpenSCManagerA"), service = Calls("advapi32.OpenServiceA");
    ASSERT_EQ(manager.size(), 1u);
    ASSERT_EQ(service.size(), 1u);
    EXPECT_EQ(manager[0].Word(2), 0x20001u);  // connect, read
    EXPECT_EQ(service[0].Text(1), "SCardSvr");
    EXPECT_EQ(service[0].Word(2), 0x16u);  // query status, change configuration, start
}

// The press feedback as long as it should be: Yes 150 ms, No 200 ms (the
// upper bound leaves a loaded machine 100 ms to wake the program), its wait
// with no wake bit beyond 0xFF, which Windows before XP would refuse (Wine
// takes any). Later than Vista, the question answered No sets no position
// beyond the pass's 0. Fonts asked for with their face's kind (Wine picks a
// sans-serif face for a missing one of no stated kind as well): the notice's
// Ming face, which has no form in code page 1252 ("????"), as proportional
// serif, every other face as proportional sans-serif.
TEST_F(InstallTrace, PressFeedbackLastsItsTime) {
    PrepareTraced({"win32", "win10", "en_US"});
    StartAndYes({"press-box", "--timeout", kTimeout, "--button", "No", "type", "--text", "n", "wait-gone", "--timeout",
                 kTimeout});
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(Positions(), (std::vector<int>{0}));
    const double yes = PressedFor(292, 134), no = PressedFor(396, 134);
    EXPECT_GE(yes, 0.15 - kTick);
    EXPECT_LE(yes, 0.15 + 0.1);
    EXPECT_GE(no, 0.2 - kTick);
    EXPECT_LE(no, 0.2 + 0.1);
    const auto waits = Calls("user32.MsgWaitForMultipleObjects");
    EXPECT_FALSE(waits.empty());
    for (const RelayCall& c : waits) EXPECT_EQ(c.Word(4) & ~0xFFul, 0ul) << std::hex << c.Word(4);
    const auto fonts = Calls("gdi32.CreateFontA");
    for (const char* face : {"Microsoft Sans Serif", "????"})
        EXPECT_TRUE(std::any_of(fonts.begin(), fonts.end(), [face](auto& c) { return c.Text(13) == face; })) << face;
    for (const RelayCall& c : fonts)
        EXPECT_EQ(c.Word(12), c.Text(13) == "????" ? kVariablePitchRoman : kVariablePitchSwiss) << c.Text(13);
}

// Path A: files 1, registry and cleanup 2, utilities 3. The pass waits a
// second before it arms the delay timer, which opens the agreement window a
// second later at the earliest. Reject then ends the program.
TEST_F(InstallTrace, PathASetsItsPositionsAndWaitsTwice) {
    PrepareTraced({"win32", "win98", "en_US"});
    const unsigned long setup = StartAndYes({"wait-window", "--class", "TLicenseForm", "--timeout", "60000"});
    auto reject = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "r", "press-box", "--button",
                         "OK"});
    EXPECT_TRUE(reject.Ok()) << reject.raw;
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(Positions(), (std::vector<int>{0, 1, 2, 3}));

    const auto set = PositionCalls();
    ASSERT_FALSE(set.empty());
    const double passStart = set[0].at;
    const RelayCall armed = TimerCall("user32.SetTimer", setup);
    const RelayCall fired = TimerCall("user32.KillTimer", setup, armed.at);
    EXPECT_EQ(armed.Word(2), 1000u);
    EXPECT_GE(armed.at - passStart, 1.0 - kTick);
    EXPECT_GE(fired.at - armed.at, 1.0 - kTick);
}

// Path B: files 1, registry 2. The delay timer, armed at once, opens the
// agreement window no sooner than a second later. After Accept the check
// runs every half second (WinExec fails here, unnoticed, so the test writes
// the marker itself) and sees the marker at its next tick.
TEST_F(InstallTrace, PathBTimersAsTheUserMeetsThem) {
    PrepareTraced({"win32", "nt40", "en_US"});
    std::filesystem::remove(driveC_ + "/windows/system32/rundll32.exe");
    e2e::RobotResult agreement;
    const unsigned long setup =
        StartAndYes({"wait-window", "--class", "TLicenseForm", "--timeout", "60000", "children"}, &agreement);
    auto accept = Robot({"find-window", "--class", "TLicenseForm", "type", "--text", "a", "wait-gone", "--timeout",
                         kTimeout});
    ASSERT_TRUE(accept.Ok()) << accept.raw;
    const unsigned long license = WindowOf(accept, "TLicenseForm");

    // Each check opens the service's key, which only the marker's writing
    // makes.
    const auto checks = [&](double after) {
        std::vector<RelayCall> out;
        for (const RelayCall& c : Calls("advapi32.RegOpenKeyA"))
            if (c.Text(1) == "SYSTEM\\CurrentControlSet\\Services\\SCardSvr" && c.at > after) out.push_back(c);
        return out;
    };
    // Six checks before the marker: enough intervals to see the timer's.
    double checkArmed = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (std::optional<RelayCall> c; std::chrono::steady_clock::now() < deadline;) {
        if ((c = FindTimerCall("user32.SetTimer", license)) && checks(checkArmed = c->at).size() >= 6) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    const double writing = e2e::TraceClockNow();
    ASSERT_EQ(Wine({"reg", "add", "HKLM\\System\\CurrentControlSet\\Services\\SCardSvr", "/v", "ObjectName", "/d",
                    "LocalSystem", "/f"})
                  .exitCode,
              0);
    const double written = e2e::TraceClockNow();
    auto notice = Robot({"wait-window", "--class", "TDialogForm", "--timeout", kTimeout, "children", "control",
                         "--class", "Button", "--text", "OK", "click"});
    ASSERT_TRUE(notice.Ok()) << notice.raw;
    // The notice's picture control where it belongs, 41 x 33 at 16, 32.
    const auto picture = std::find_if(notice.lines.begin(), notice.lines.end(),
                                      [](const e2e::RobotLine& l) { return l.Get("class") == "TImage"; });
    ASSERT_NE(picture, notice.lines.end()) << notice.raw;
    EXPECT_EQ((std::vector<long>{picture->Int("x"), picture->Int("y"), picture->Int("width"), picture->Int("height")}),
              (std::vector<long>{16, 32, 41, 33}));
    EXPECT_EQ(WaitSetup(), 0);
    EXPECT_EQ(RestartPrompts(), 1);
    EXPECT_EQ(Positions(), (std::vector<int>{0, 1, 2}));
    // The agreement in its memo: all its 180 lines.
    std::string text;
    for (const auto& c : agreement.All("child"))
        if (c.Get("class") == "Edit" && c.Int("y") == 114) text = c.Get("text");
    size_t lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 180u);

    const RelayCall armed = TimerCall("user32.SetTimer", setup);
    EXPECT_EQ(armed.Word(2), 1000u);
    EXPECT_GE(TimerCall("user32.KillTimer", setup, armed.at).at - armed.at, 1.0 - kTick);

    // The n-th check comes no sooner than n half seconds after Accept armed
    // the timer (a late tick delays the later ones, never brings them
    // forward), and most come half a second apart.
    EXPECT_EQ(TimerCall("user32.SetTimer", license).Word(2), 500u);
    const std::vector<RelayCall> ticks = checks(checkArmed);
    ASSERT_GE(ticks.size(), 7u);
    std::vector<double> gaps;
    for (size_t n = 0; n < ticks.size(); ++n) {
        EXPECT_GE(ticks[n].at - checkArmed, 0.5 * static_cast<double>(n + 1) - kTick) << "check " << n + 1;
        if (n > 0) gaps.push_back(ticks[n].at - ticks[n - 1].at);
    }
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    EXPECT_NEAR(gaps[gaps.size() / 2], 0.5, 0.1);

    // The check that finds the marker follows its writing within about half
    // a second (a loaded machine's share of lateness on top), and it is the
    // last.
    const RelayCall& found = ticks.back();
    EXPECT_EQ(found.retval, "00000000");
    EXPECT_EQ(ticks[ticks.size() - 2].retval, "00000002");
    EXPECT_GE(found.at, writing - kTick);
    EXPECT_LE(found.at - written, 0.5 + 0.4);
}

}  // namespace
