#include "pnpbind/removal_rules.h"

#include <gtest/gtest.h>

#include "pnpbind/pnpbind_rules.h"

namespace rs::pnpbind {
namespace {

using namespace std::string_literals;

// Which names, hardware ID lists and INF texts are the reader's.
TEST(RemovalRules, TellsTheReadersNodesAndPackages) {
    const std::string id = "USB\\Vid_0d4e&Pid_0010";
    for (auto [name, oem] : {std::pair{"oem0.inf", true}, {"OEM123.INF", true}, {"oem.inf", false},
                             {"oem1a.inf", false}, {"orvex.inf", false}, {"oem1.pnf", false}, {"xoem1.inf", false}})
        EXPECT_EQ(IsOemInfName(name), oem) << name;
    for (auto [list, holds] : {std::pair{"USB\\VID_0D4E&PID_0010&REV_0100\0USB\\VID_0D4E&PID_0010\0\0"s, true},
                               {"USB\\Vid_0d4e&Pid_0010&Rev_0100\0\0"s, false},
                               {"ROOT\\X\0\0USB\\Vid_0d4e&Pid_0010\0"s, false},  // after the list's end
                               {"USB\\Vid_0d4e&Pid_0010"s, true}, {""s, false}})
        EXPECT_EQ(MultiSzHolds(list, id), holds) << list;
    for (auto [text, names] : {std::pair{"[M]\r\n%R%=I,usb\\vid_0d4e&pid_0010\r\n"s, true},
                               {"\xFF\xFE[\0U\0S\0B\0\\\0V\0i\0d\0_\0\x30\0d\0\x34\0e\0&\0"
                                "P\0i\0d\0_\0\x30\0\x30\0\x31\0\x30\0"s,
                                true},
                               {"\xFF\xFEU\x01SB\\Vid_0d4e&Pid_0010"s, false},  // UTF-16 read as such
                               {"USB\\Vid_0d4e&Pid_001"s, false}})
        EXPECT_EQ(InfTextNames(text, id), names) << text;
}

// The helper's request, its report lines and its exit code cross between
// the processes unchanged; strangers' output and exit codes read as nothing.
TEST(RemovalRules, HandOverFromTheHelper) {
    const RemovalRequest request{"USB\\Vid_0d4e&Pid_0010", "orvex.inf"};
    const auto args = SplitCommandLine(BuildRemovalCommandLine("C:\\Set up\\pnpbind64.exe", request));
    const auto back = ParseRemovalArguments(args);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->hardwareId, request.hardwareId);
    EXPECT_EQ(back->originalInf, request.originalInf);
    EXPECT_FALSE(ParseRemovalArguments({"x", "bind", "a", "b"}));
    EXPECT_FALSE(ParseRemovalArguments({"x", "remove", "a", ""}));

    const std::string output = FormatRemovalReport({true, 0, "removed device node \"ROOT\\X\\0000\""}) +
                               "error=5\r\nremoval 2 0 x\r\nremoval 0 x y\r\n" +
                               FormatRemovalReport({false, 3758096896u, "removed driver package \"C:\\a\r\nb\""});
    const auto reports = ParseRemovalReports(output);
    ASSERT_EQ(reports.size(), 2u) << output;
    EXPECT_TRUE(reports[0].ok);
    EXPECT_EQ(reports[0].what, "removed device node \"ROOT\\X\\0000\"");
    EXPECT_FALSE(reports[1].ok);
    EXPECT_EQ(reports[1].error, 3758096896u);
    EXPECT_EQ(reports[1].what, "removed driver package \"C:\\a  b\"");  // one line whatever it holds

    EXPECT_EQ(DecodeRemovalExit(EncodeRemovalExit(true)), std::optional<bool>(true));
    EXPECT_EQ(DecodeRemovalExit(EncodeRemovalExit(false)), std::optional<bool>(false));
    for (std::uint32_t stranger : {0u, 1u, 0xC0000005u, EncodeHelperExit({true, false})})
        EXPECT_FALSE(DecodeRemovalExit(stranger)) << stranger;
}

}  // namespace
}  // namespace rs::pnpbind
