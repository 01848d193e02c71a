#include <gtest/gtest.h>

#include <set>
#include <string>

#include "install/program_files_rules.h"
#include "shell/shortcut_rules.h"
#include "shell/utilities_rules.h"

namespace rs {
namespace {

TEST(ShellGuideNames, LanguagePrefixAndPlatformStem) {
    EXPECT_EQ(GuidePageName(0, 6), "\\EWINXP.htm");
    EXPECT_EQ(GuideFolderName(0, 6), "\\EWINXP.files");
    EXPECT_EQ(GuidePageName(1, 5), "\\CWINXP.htm");
    EXPECT_EQ(GuideFolderName(1, 11), "\\CWINXP.files");
    EXPECT_EQ(GuidePageName(2, 8), "\\KWINXP.htm");
    EXPECT_EQ(GuidePageName(2, 2), "\\KWIN98.htm");
    EXPECT_EQ(GuidePageName(0, 1), "\\EWIN98.htm");
    EXPECT_EQ(GuideFolderName(0, 3), "\\EWIN98.files");
    EXPECT_EQ(GuideFolderName(1, 2), "\\CWIN98.files");
    // NT 4.0 is on the old side, everything from 2000 on the new one.
    EXPECT_EQ(GuidePageName(0, 4), "\\EWIN98.htm");
    EXPECT_EQ(GuidePageName(0, 12), "\\EWINXP.htm");
}

TEST(ShellProgramFiles, FallbackKeepsOnlyTheDrive) {
    EXPECT_EQ(FallbackProgramFiles("D:\\WINDOWS"), "D:\\Program Files");
    EXPECT_EQ(FallbackProgramFiles("C:\\windows"), "C:\\Program Files");
}

TEST(ShellUtilityShortcuts, TargetsIconsAndGroupFiles) {
    const std::string utility = "C:\\Program Files\\ORVEX";
    const std::string group = "C:\\Start\\Programs\\ORVEX Utility";
    auto u = MakeUtilityShortcut(UtilityShortcutRow::Uninstaller, utility, "\\EWINXP.htm", group, "");
    EXPECT_EQ(u.name, "Uninstall ORVEX Reader");
    EXPECT_EQ(u.target, utility + "\\orvexunst.exe");
    EXPECT_EQ(u.iconFile, u.target);
    EXPECT_EQ(u.groupFile, group + "\\Uninstall ORVEX Reader.lnk");
    auto d = MakeUtilityShortcut(UtilityShortcutRow::Diagnostics, utility, "\\EWINXP.htm", group, "");
    EXPECT_EQ(d.name, "ORVEX Diagnostics");
    EXPECT_EQ(d.target, utility + "\\tkrdchk.exe");
    EXPECT_EQ(d.iconFile, d.target);
    EXPECT_EQ(d.groupFile, group + "\\ORVEX Diagnostics.lnk");
    auto g = MakeUtilityShortcut(UtilityShortcutRow::Guide, utility, "\\KWIN98.htm", group, "E:\\Programs");
    EXPECT_EQ(g.name, "Installation Guide");
    EXPECT_EQ(g.target, utility + "\\KWIN98.htm");
    EXPECT_EQ(g.iconFile, "E:\\Programs\\Internet Explorer\\iexplore.exe");
    EXPECT_EQ(g.groupFile, group + "\\Installation Guide.lnk");
}

TEST(ShellShortcutRules, FilePathAndWorkingDirectory) {
    EXPECT_EQ(ShortcutFilePath(L"C:\\Desk", L"ORVEX Diagnostics"), L"C:\\Desk\\ORVEX Diagnostics.lnk");
    EXPECT_EQ(ShortcutWorkingDirectory("C:\\Program Files\\ORVEX\\tkrdchk.exe"), "C:\\Program Files\\ORVEX");
    EXPECT_EQ(ShortcutWorkingDirectory("C:\\x.exe"), "C:");
    EXPECT_EQ(ShortcutWorkingDirectory("x.exe"), std::nullopt);
    EXPECT_EQ(ShortcutWorkingDirectory(""), std::nullopt);
    EXPECT_EQ(ShortcutWorkingDirectory("\\x.exe"), "");
}

TEST(ShellShortcutRules, NameTakenByAnUnmatchedFileGetsTheNextFreeNumber) {
    std::set<std::wstring> taken;
    auto isTaken = [&taken](const std::wstring& p) { return taken.count(p) != 0; };
    EXPECT_EQ(FreeShortcutFilePath(L"C:\\Desk", L"X", isTaken), L"C:\\Desk\\X.lnk");
    taken = {L"C:\\Desk\\X.lnk", L"C:\\Desk\\X (2).lnk"};
    EXPECT_EQ(FreeShortcutFilePath(L"C:\\Desk", L"X", isTaken), L"C:\\Desk\\X (3).lnk");
    EXPECT_EQ(FreeShortcutFilePath(L"C:\\Desk", L"X", [](const std::wstring& p) { return p != L"C:\\Desk\\X (12).lnk"; }),
              L"C:\\Desk\\X (12).lnk");
    EXPECT_EQ(FreeShortcutFilePath(L"C:\\Desk", L"X", [](const std::wstring&) { return true; }), L"");
}

TEST(ShellShortcutRules, ComposedMessageCarriesCodesAndSystemText) {
    EXPECT_EQ(ExistingLinkFailureMessage(0x80040154u, 0, "Class not registered.\r\n"),
              "Couldn't get IShellLink to existing file. hres=80040154 2147746132. psl=0. : "
              "Class not registered.\r\n");
    EXPECT_EQ(ExistingLinkFailureMessage(0x8007000Eu, 0x1234abcd, ""),
              "Couldn't get IShellLink to existing file. hres=8007000e 2147942414. psl=1234abcd. : ");
    // A longer system text is cut to its first 499 characters.
    const std::string message = ExistingLinkFailureMessage(1, 0, std::string(800, 'x'));
    EXPECT_EQ(message.size(), std::string("Couldn't get IShellLink to existing file. hres=1 1. psl=0. : ").size() + 499);
}

}  // namespace
}  // namespace rs
