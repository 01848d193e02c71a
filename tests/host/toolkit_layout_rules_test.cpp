#include <gtest/gtest.h>

#include "toolkit/layout_rules.h"

namespace tk {
namespace {

TEST(ToolkitCentring, TruncatesTowardZeroAlsoWhenNegative) {
    EXPECT_EQ(CenteredOrigin(1024, 531), 246);  // 493 / 2 = 246.5
    EXPECT_EQ(CenteredOrigin(768, 215), 276);
    EXPECT_EQ(CenteredOrigin(640, 773), -66);   // -133 / 2 = -66.5 -> -66, not -67
    EXPECT_EQ(CenteredOrigin(480, 481), 0);     // -1 / 2 -> 0
    EXPECT_EQ(CenteredOrigin(100, 100), 0);
    Point p = CenteredPosition(640, 480, 773, 215);
    EXPECT_EQ(p.x, -66);
    EXPECT_EQ(p.y, 132);
}

TEST(ToolkitTicks, ElapsedAcrossTheCounterWrap) {
    EXPECT_FALSE(TicksElapsed(1000, 1199, 200));
    EXPECT_TRUE(TicksElapsed(1000, 1200, 200));
    EXPECT_TRUE(TicksElapsed(1000, 5000, 200));
    // 0xFFFFFF00 + 0x100 wraps to 0: 256 ms have passed.
    EXPECT_TRUE(TicksElapsed(0xFFFFFF00u, 0x00000000u, 200));
    EXPECT_FALSE(TicksElapsed(0xFFFFFFF0u, 0x00000010u, 200));  // 32 ms
    EXPECT_TRUE(TicksElapsed(0xFFFFFFF0u, 0x000000B8u, 200));   // exactly 200 ms
    EXPECT_TRUE(TicksElapsed(7, 7, 0));
}

TEST(ToolkitExceptionReport, FullStopOnlyAfterCharactersAboveIt) {
    EXPECT_EQ(ExceptionReportText("Unable to create shortcut file"), "Unable to create shortcut file.");
    EXPECT_EQ(ExceptionReportText("Done."), "Done.");
    EXPECT_EQ(ExceptionReportText("Failed!"), "Failed!");   // '!' is below '.'
    EXPECT_EQ(ExceptionReportText("code (5)"), "code (5)");  // ')' is below '.'
    EXPECT_EQ(ExceptionReportText("a-"), "a-");               // '-' is below '.'
    EXPECT_EQ(ExceptionReportText("dir/"), "dir/.");          // '/' is above '.'
    EXPECT_EQ(ExceptionReportText("code 5"), "code 5.");
    EXPECT_EQ(ExceptionReportText(""), "");
    // A byte of a double-byte character compares as unsigned, so above '.'.
    EXPECT_EQ(ExceptionReportText("\xA5\xA2"), "\xA5\xA2.");
}

TEST(ToolkitTitle, FileNameWithoutFolderAndExtension) {
    EXPECT_EQ(TitleFromModulePath("C:\\medium\\setup\\setup.exe"), "setup");
    EXPECT_EQ(TitleFromModulePath("D:\\win_tests.exe"), "win_tests");
    EXPECT_EQ(TitleFromModulePath("C:\\a.b\\prog"), "prog");
    EXPECT_EQ(TitleFromModulePath("C:\\x\\my.setup.exe"), "my.setup");
    EXPECT_EQ(TitleFromModulePath("setup.exe"), "setup");
}

TEST(ToolkitAccelerator, LetterAfterASingleAmpersand) {
    EXPECT_EQ(AcceleratorOf("&Yes"), 'Y');
    EXPECT_EQ(AcceleratorOf("&accept"), 'A');
    EXPECT_EQ(AcceleratorOf("\xAC\x4F(&Y)"), 'Y');  // Big5 text before the marker
    EXPECT_EQ(AcceleratorOf("OK"), 0);
    EXPECT_EQ(AcceleratorOf("Fish && Chips"), 0);
    EXPECT_EQ(AcceleratorOf("&&&Go"), 'G');
    EXPECT_EQ(AcceleratorOf("trailing&"), 0);
}

}  // namespace
}  // namespace tk
