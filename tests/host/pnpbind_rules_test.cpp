#include "pnpbind/pnpbind_rules.h"

#include <gtest/gtest.h>

namespace rs::pnpbind {
namespace {

TEST(PnpBindRules, HelperLivesBesideTheModule) {
    EXPECT_EQ(HelperPathBeside("C:\\My Medium\\pnpbind.dll"), "C:\\My Medium\\pnpbind64.exe");
    EXPECT_EQ(HelperPathBeside("D:\\pnpbind.dll"), "D:\\pnpbind64.exe");
    EXPECT_EQ(HelperPathBeside("pnpbind.dll"), "pnpbind64.exe");
}

// Each argument must come back byte for byte after quoting and splitting,
// whatever blanks, quotes and backslashes it holds.
TEST(PnpBindRules, QuotedArgumentsSplitBackUnchanged) {
    const std::vector<std::string> samples = {
        "",
        "plain",
        "C:\\Program Files\\Medium\\Drivers\\winxp\\orvex.inf",
        "USB\\Vid_0d4e&Pid_0010",
        "trailing\\",
        "trailing two\\\\",
        "quote\"inside",
        "backslash then quote\\\"x",
        "\\\\server\\share\\a b.inf",
        "tab\there",
        "\"\"",
        "\xB3\\\xA5\\",  // double-byte text whose trail bytes are '\'
    };
    for (const auto& s : samples) {
        std::string line = "\"C:\\x\\helper.exe\" " + QuoteArgument(s) + " " + QuoteArgument(s);
        auto args = SplitCommandLine(line);
        ASSERT_EQ(args.size(), 3u) << line;
        EXPECT_EQ(args[0], "C:\\x\\helper.exe");
        EXPECT_EQ(args[1], s) << line;
        EXPECT_EQ(args[2], s) << line;
    }
}

TEST(PnpBindRules, SplitFollowsTheRuntimeRules) {
    auto args = SplitCommandLine("prog.exe  a\\\\b \"c d\" e\\\"f \"g\"\"h\" \t \"i\\\\\"j ");
    const std::vector<std::string> expected = {"prog.exe", "a\\\\b", "c d", "e\"f", "g\"h", "i\\j"};
    EXPECT_EQ(args, expected);
    // The program name takes no escapes.
    EXPECT_EQ(SplitCommandLine("\"C:\\a dir\\\" x")[0], "C:\\a dir\\");
}

TEST(PnpBindRules, RequestCrossesTheCommandLine) {
    BindRequest request;
    request.parent = 0x1234;
    request.hardwareId = "USB\\Vid_0d4e&Pid_0010";
    request.infPath = "C:\\Set up \"x\"\\Drivers\\winxp\\orvex.inf";
    request.flags = 1;
    request.wantsRestartFlag = false;
    std::string line = BuildHelperCommandLine("C:\\Set up\\pnpbind64.exe", request);
    auto args = SplitCommandLine(line);
    EXPECT_EQ(args[0], "C:\\Set up\\pnpbind64.exe");
    auto back = ParseHelperArguments(args);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->parent, 0x1234u);
    EXPECT_EQ(back->hardwareId, request.hardwareId);
    EXPECT_EQ(back->infPath, request.infPath);
    EXPECT_EQ(back->flags, 1u);
    EXPECT_FALSE(back->wantsRestartFlag);

    request.wantsRestartFlag = true;
    back = ParseHelperArguments(SplitCommandLine(BuildHelperCommandLine("h.exe", request)));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->wantsRestartFlag);
}

TEST(PnpBindRules, MalformedHelperArgumentsAreRefused) {
    using V = std::vector<std::string>;
    EXPECT_FALSE(ParseHelperArguments(V{"h"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "1", "1", "id"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "1", "1", "id", "inf", "extra"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "other", "0", "1", "1", "id", "inf"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "-1", "1", "1", "id", "inf"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "4294967296", "1", "id", "inf"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "1x", "1", "id", "inf"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "", "1", "id", "inf"}));
    EXPECT_FALSE(ParseHelperArguments(V{"h", "bind", "0", "1", "2", "id", "inf"}));
    EXPECT_TRUE(ParseHelperArguments(V{"h", "bind", "0", "4294967295", "1", "id", "inf"}));
}

// Only the helper's own tagged codes mean anything: a crash status, a
// stranger's 0 or 1, or the helper's complaint about its arguments are all
// "no answer", never "bound".
TEST(PnpBindRules, ExitCodeCarriesResultUnderItsTag) {
    for (bool bound : {false, true}) {
        for (bool restart : {false, true}) {
            auto back = DecodeHelperExit(EncodeHelperExit({bound, restart}));
            ASSERT_TRUE(back);
            EXPECT_EQ(back->bound, bound);
            EXPECT_EQ(back->restartRequired, restart);
        }
    }
    for (std::uint32_t stranger : {0u, 1u, 2u, 3u, kHelperBadArguments, 0xC0000005u, 0xC0000135u, 259u, 0xFFFFFFFFu,
                                   0x50420004u, 0x50430001u}) {
        EXPECT_FALSE(DecodeHelperExit(stranger)) << std::hex << stranger;
    }
}

// Setup API codes use all 32 bits.
TEST(PnpBindRules, ErrorCodeComesBackWhole) {
    for (std::uint32_t error : {0u, 2u, 0xE000020Bu, 0xFFFFFFFFu})
        EXPECT_EQ(ParseHelperError(FormatHelperError(error)), error) << std::hex << error;
    EXPECT_FALSE(ParseHelperError(""));
    EXPECT_FALSE(ParseHelperError("error=\r\n"));
}

}  // namespace
}  // namespace rs::pnpbind
