// The harness's own checks: its parsers, and that a program run in a fresh
// prefix that changes nothing leaves an empty audit (so the ignore list of
// Wine's own changes is complete), while real writes show up exactly.
#include "tests/e2e/e2e_harness.h"

#include <filesystem>
#include <fstream>

namespace {

using e2e::Audit;
using e2e::ParseRegFile;
using e2e::ParseRobotLine;

TEST(HarnessParsers, RobotLinesWithQuotedUtf8AndEscapes) {
    auto l = ParseRobotLine(R"(box hwnd=0x1a class="#32770" text="Notice \"A\"\nB \\ c" x=-3 caption="注意")");
    EXPECT_EQ(l.kind, "box");
    EXPECT_EQ(l.Get("class"), "#32770");
    EXPECT_EQ(l.Get("text"), "Notice \"A\"\nB \\ c");
    EXPECT_EQ(l.Int("x"), -3);
    EXPECT_EQ(l.Int("hwnd"), 0x1a);
    EXPECT_EQ(l.Get("caption"), "注意");
    EXPECT_EQ(l.Get("missing"), "");
}

TEST(HarnessParsers, WineRegistryFile) {
    const char* text =
        "WINE REGISTRY Version 2\n"
        ";; All keys relative to \\\\Machine\n"
        "#arch=win32\n"
        "\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\RunServices] 1796636217\n"
        "#time=1dd862e80658132\n"
        "\"SCardSvr\"=\"C:\\\\windows\\\\system32\\\\SCardSvr.exe\"\n"
        "@=\"default\"\n"
        "\"Start\"=dword:00000002\n"
        "\"Quote \\\"q\\\"\"=hex:01,02,\\\n"
        "  03,04\n"
        "\n"
        "[Empty] 1\n";
    auto snap = ParseRegFile(text, "HKLM");
    const auto& v = snap.at("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    EXPECT_EQ(v.at("SCardSvr"), "C:\\windows\\system32\\SCardSvr.exe");
    EXPECT_EQ(v.at(""), "default");
    EXPECT_EQ(v.at("Start"), "dword:00000002");
    EXPECT_EQ(v.at("Quote \"q\""), "hex:01,02,03,04");
    EXPECT_TRUE(snap.count("HKLM\\Empty"));
}

TEST(HarnessParsers, CompareReportsExactChanges) {
    e2e::FileSnapshot fb{{"a.txt", {false, 1, 10, ""}}, {"gone.txt", {false, 1, 10, ""}}, {"d/", {true, 0, 0, ""}}};
    e2e::FileSnapshot fa{{"a.txt", {false, 2, 11, ""}}, {"new.txt", {false, 1, 10, "", true}}, {"d/", {true, 0, 5, ""}}};
    e2e::RegistrySnapshot rb{{"HKLM\\K", {{"x", "1"}, {"y", "2"}}}, {"HKLM\\Old", {{"z", "3"}}}};
    e2e::RegistrySnapshot ra{{"HKLM\\K", {{"x", "1"}, {"y", "5"}, {"w", "6"}}}, {"HKLM\\New", {}}};
    Audit a = e2e::Compare(fb, fa, rb, ra);
    EXPECT_EQ(a.filesCreated, (std::set<std::string>{"new.txt"}));
    EXPECT_EQ(a.filesChanged, (std::set<std::string>{"a.txt"}));
    EXPECT_EQ(a.filesDeleted, (std::set<std::string>{"gone.txt"}));
    EXPECT_EQ(a.keysCreated, (std::set<std::string>{"HKLM\\New"}));
    EXPECT_EQ(a.keysDeleted, (std::set<std::string>{"HKLM\\Old"}));
    EXPECT_EQ(a.valuesWritten, (std::map<std::string, std::string>{{"HKLM\\K\\[y]", "5"}, {"HKLM\\K\\[w]", "6"}}));
    EXPECT_EQ(a.valuesDeleted, (std::set<std::string>{"HKLM\\Old\\[z]"}));
    EXPECT_EQ(a.leftReadOnly, (std::set<std::string>{"new.txt"}));
}

class HarnessInWine : public e2e::SetupTest, public ::testing::WithParamInterface<const char*> {};
class ScreenWatch : public e2e::SetupTest {};

// A program that only looks at windows changes nothing; a registry write and
// a file written by a Windows program show up, and nothing else.
TEST_P(HarnessInWine, AuditSeesExactlyWhatAProgramWrites) {
    Prepare({GetParam(), "winxp", "en_US"});
    auto r = Robot({"screen", "dump"});
    ASSERT_TRUE(r.Ok()) << r.raw;
    // Nor does a console window: Wine's console writes its defaults before the first output.
    ASSERT_EQ(Wine({"cmd", "/c", "start", "/wait", "cmd", "/c", "echo", "in a console window"}).exitCode, 0);
    auto screen = r.Find("screen");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->Int("width"), 1024);
    Audit quiet = AuditNow();
    EXPECT_TRUE(quiet.Empty()) << quiet.Describe();

    auto reg = Wine({"reg", "add", "HKLM\\Software\\RsHarness", "/v", "Probe", "/d", "one", "/f"});
    ASSERT_EQ(reg.exitCode, 0) << reg.output;
    auto copy = Wine({"cmd", "/c", "copy", "C:\\medium\\Setup\\drivers\\ORVEX.ncp", "C:\\harness.inf"});
    ASSERT_EQ(copy.exitCode, 0) << copy.output;
    Audit a = AuditNow();
    // Debian's "wine reg" runs the 32-bit reg.exe: in a 64-bit prefix its
    // write lands in the 32-bit view, as a 32-bit program's does on x64 Windows.
    const std::string key = GetParam() == std::string("win64") ? "HKLM\\Software\\Wow6432Node\\RsHarness"
                                                               : "HKLM\\Software\\RsHarness";
    EXPECT_EQ(a.valuesWritten, (std::map<std::string, std::string>{{e2e::ValueId(key, "Probe"), "one"}}))
        << a.Describe();
    EXPECT_EQ(a.keysCreated, (std::set<std::string>{key})) << a.Describe();
    EXPECT_EQ(a.filesCreated, (std::set<std::string>{"harness.inf"})) << a.Describe();
    EXPECT_TRUE(a.filesChanged.empty() && a.filesDeleted.empty() && a.valuesDeleted.empty()) << a.Describe();
}

INSTANTIATE_TEST_SUITE_P(Prefixes, HarnessInWine, ::testing::Values("win32", "win64"));

}  // namespace

// The screen watch of unattended runs: a console program that shows
// nothing leaves no window and its whole exit code (3010, where a shell
// gets 194); a message box shown for 50 ms is caught.
TEST_F(ScreenWatch, BriefBoxesAndWholeExitCodes) {
    Prepare({"win32", "winxp", "en_US"});
    e2e::WatchedRun quiet = RunWatched("/c exit 3010", 60000, "C:\\windows\\system32\\cmd.exe");
    EXPECT_EQ(quiet.exitCode, 3010);
    EXPECT_TRUE(quiet.NoWindow()) << quiet.Describe();

    const std::string robot = e2e::WindowsPath(e2e::GetPaths().buildRoot + "/win32/testbin/robot.exe");
    e2e::WatchedRun boxes = RunWatched("flash-box --ms 50 flash-box --caption Longer --ms 500", 60000, robot);
    EXPECT_EQ(boxes.exitCode, 0);
    EXPECT_EQ(boxes.mapped.size(), 2u) << boxes.Describe();
    bool longer = false;
    for (const auto& w : boxes.windows)
        longer = longer || (w.Get("caption") == "Longer" && w.Get("class") == "#32770" && w.Get("image") == "robot.exe");
    EXPECT_TRUE(longer) << boxes.Describe();
}
