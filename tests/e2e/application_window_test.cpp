// The program's one task bar entry: the application window, titled with the
// application's title, unowned and visible, owning the forms. (Xvfb has no
// task bar: the test reads the windows the system builds it from.)
#include <string>
#include <vector>

#include "tests/e2e/e2e_harness.h"

namespace {

class ApplicationWindow : public e2e::SetupTest {};

TEST_F(ApplicationWindow, OneUnownedWindowTitledSetupOwnsTheSetupWindow) {
    Prepare({"win32", "winxp", "ko_KR"});
    StartSetup();
    e2e::RobotResult r = Robot({"wait-window", "--class", "TSetupForm", "--timeout", "30000", "wait-idle", "dump"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    auto setup = r.Find("window");
    ASSERT_TRUE(setup);
    std::vector<e2e::RobotLine> unowned;
    for (const auto& top : r.All("top"))
        if (top.Get("pid") == setup->Get("pid") && top.Int("owner") == 0) unowned.push_back(top);
    ASSERT_EQ(unowned.size(), 1u) << r.raw;
    EXPECT_EQ(unowned[0].Get("text"), "setup");  // the executable's name, in every language
    EXPECT_EQ(unowned[0].Get("class"), "TApplication");
    EXPECT_EQ(setup->Get("owner"), unowned[0].Get("hwnd"));
    EXPECT_NE(setup->Get("text"), "setup");

    Robot({"find-window", "--class", "TSetupForm", "type", "--text", "n"});
    EXPECT_EQ(WaitSetup(20000), 0);
}

}  // namespace
