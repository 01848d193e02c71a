// The display language and the bytes a control receives for the table texts
// under the system locales the texts are meant for. Run from the host: Wine
// takes the system locale from the Unix locale of each "wine" start (a child
// started by CreateProcess keeps its parent's). Expectations are code page
// bytes written out independently of the tables.
#include <map>

#include "tests/e2e/e2e_harness.h"
#include "tests/programs/platform_probe/probe_output.h"

namespace {

class SystemLocale : public e2e::SetupTest {
protected:
    void SetUp() override { Prepare({"win32", "winxp", "en_US"}); }

    std::map<std::string, std::string> ProbeUnder(const std::string& locale) {
        options_.locale = locale;
        e2e::CommandResult c = TestProgram("platform_probe.exe");
        EXPECT_EQ(c.exitCode, 0) << c.output;
        return probe::ParseOutput(c.output);
    }
};

TEST_F(SystemLocale, ControlTextsFollowTheSystemCodePage) {
    auto zh = ProbeUnder("zh_TW");
    EXPECT_EQ(zh["langid"], "1028");
    EXPECT_EQ(zh["acp"], "950");
    EXPECT_EQ(zh["language"], "1");
    EXPECT_EQ(zh["text txtYes 1"], "ac4f28265929");  // 是(&Y) in Big5
    EXPECT_EQ(zh["text txtNo 1"], "a75f28264e29");   // 否(&N)
    EXPECT_EQ(zh["text txtNotice 1"], "aa60b74e");   // 注意
    EXPECT_EQ(zh["text txtYes 0"], "26596573");      // &Yes unchanged
    EXPECT_EQ(zh["empty"], "[]");

    auto ko = ProbeUnder("ko_KR");
    EXPECT_EQ(ko["langid"], "1042");
    EXPECT_EQ(ko["acp"], "949");
    EXPECT_EQ(ko["language"], "2");
    EXPECT_EQ(ko["text txtYes 2"], "bfb9");          // 예 in code page 949
    EXPECT_EQ(ko["text txtNo 2"], "bec6b4cfbfc0");   // 아니오
    EXPECT_EQ(ko["text txtNotice 2"], "c1d6c0c7");   // 주의

    auto en = ProbeUnder("en_US");
    EXPECT_EQ(en["langid"], "1033");
    EXPECT_EQ(en["acp"], "1252");
    EXPECT_EQ(en["language"], "0");
    EXPECT_EQ(en["text txtNotice 0"], "4e6f74696365");  // Notice
    // What code page 1252 cannot represent becomes its default character "?".
    EXPECT_EQ(en["text txtNotice 2"], "3f3f");
}

}  // namespace
