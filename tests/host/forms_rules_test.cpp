#include <gtest/gtest.h>

#include "install/binding_rules.h"
#include "pnpbind/pnpbind_rules.h"
#include "ui/dialog_rules.h"
#include "ui/license_rules.h"
#include "ui/setup_pass_rules.h"

using namespace rs;

TEST(InstallPathChoice, EveryPlatformCodeAndOutOfRange) {
    const InstallPath expected[] = {InstallPath::A, InstallPath::A, InstallPath::A, InstallPath::B,
                                    InstallPath::C, InstallPath::C, InstallPath::D, InstallPath::C,
                                    InstallPath::D, InstallPath::D, InstallPath::E, InstallPath::F};
    for (int code = 1; code <= 12; ++code) EXPECT_EQ(PathForPlatform(code), expected[code - 1]) << code;
    EXPECT_EQ(PathForPlatform(0), InstallPath::F);
    EXPECT_EQ(PathForPlatform(13), InstallPath::F);
    EXPECT_EQ(PathForPlatform(-1), InstallPath::F);
}

TEST(InstallPathChoice, BindingInfOnlyAbsoluteOnWindows2000) {
    EXPECT_EQ(BindingInfPath(5, "D:\\Setup"), "D:\\Setup\\Drivers\\win2000\\orvex.inf");
    for (int code : {6, 8, 11}) EXPECT_EQ(BindingInfPath(code, "D:\\Setup"), ".\\Drivers\\winxp\\orvex.inf");
}

TEST(ExternalInstaller, NamesAndFolder) {
    EXPECT_EQ(ExternalInstallerName(7), "XP64.exe");
    EXPECT_EQ(ExternalInstallerName(9), "Vista32.exe");
    EXPECT_EQ(ExternalInstallerName(10), "Vista64.exe");
    EXPECT_EQ(ExternalInstallerName(6), "");
    EXPECT_EQ(FolderOfModule("D:\\Setup\\setup.exe") + ExternalInstallerName(10), "D:\\Setup\\Vista64.exe");
    EXPECT_EQ(FolderOfModule("D:\\setup.exe"), "D:\\");
    EXPECT_EQ(FolderOfModule("setup.exe"), "");
}

TEST(ExternalInstaller, CommandLineGivesBackTheWholePathAsProgramName) {
    // Split as the installer's C runtime splits its command line.
    for (const std::string path : {"D:\\Setup\\Vista64.exe", "C:\\Driver CD\\My Setup\\XP64.exe"}) {
        const auto args = pnpbind::SplitCommandLine(InstallerCommandLine(path));
        ASSERT_EQ(args.size(), 1u) << path;
        EXPECT_EQ(args[0], path);
    }
}

TEST(ExternalInstaller, FailureTextsChineseOnlyForLanguageOne) {
    const std::u16string sys = u"File not found.\r\n";
    auto en = BuildInstallerFailureTexts(10, 0, sys);
    EXPECT_EQ(en.errorCaption, u"Error");
    EXPECT_EQ(en.errorText, u"Setup Error: File not found.\r\n");
    EXPECT_EQ(en.infoCaption, u"Information");
    EXPECT_EQ(en.infoText, u"Please execute the following file to install driver : CD-ROM\\Setup\\Vista64.exe");
    EXPECT_EQ(BuildInstallerFailureTexts(10, 2, sys).infoText, en.infoText);  // Korean gets English
    auto zh = BuildInstallerFailureTexts(9, 1, sys);
    EXPECT_EQ(zh.errorCaption, u"錯誤");
    EXPECT_EQ(zh.errorText, u"安裝程式發生錯誤: File not found.\r\n");
    EXPECT_EQ(zh.infoCaption, u"提示");
    // Vista 32-bit's Chinese text has no trailing blank, the other two do.
    EXPECT_EQ(zh.infoText, u"請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\Vista32.exe");
    EXPECT_EQ(BuildInstallerFailureTexts(7, 1, sys).infoText, u"請重新執行下列檔案進行安裝驅動程式 : 安裝光碟\\Setup\\XP64.exe ");
    EXPECT_EQ(BuildInstallerFailureTexts(7, 0, sys).infoText,
              u"Please execute the following file to install driver : CD-ROM\\Setup\\XP64.exe");
}

TEST(BaseComponentsCommand, PerPlatform) {
    const std::string nine =
        "C:\\WINDOWS\\rundll.exe setupx.dll,InstallHinfSection DefaultInstall 132 .\\smclib\\scbase.inf";
    EXPECT_EQ(BaseComponentsCommand(1, "C:\\WINDOWS", "D:\\Setup"), nine);
    EXPECT_EQ(BaseComponentsCommand(2, "C:\\WINDOWS", "D:\\Setup"), nine);
    EXPECT_EQ(BaseComponentsCommand(3, "C:\\WINDOWS", "D:\\Setup"),
              "C:\\WINDOWS\\rundll.exe setupx.dll,InstallHinfSection DefaultInstall 132 D:\\Setup\\smclib\\scbase.inf");
    // Started from a drive's root the doubled backslash is kept.
    EXPECT_EQ(BaseComponentsCommand(3, "C:\\WINDOWS", "D:\\"),
              "C:\\WINDOWS\\rundll.exe setupx.dll,InstallHinfSection DefaultInstall 132 D:\\\\smclib\\scbase.inf");
    EXPECT_EQ(BaseComponentsCommand(4, "C:\\WINNT", ""),
              "C:\\WINNT\\system32\\rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 .\\smclib\\scbase.inf");
    EXPECT_EQ(BaseComponentsCommand(6, "C:\\WINDOWS", ""), "");
}

TEST(CompletionMarker, ByteWiseUpperCaseOfLettersOnly) {
    EXPECT_TRUE(IsSmartCardServiceMarker("c:\\windows\\system\\scardsvr.exe", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_TRUE(IsSmartCardServiceMarker("C:\\WINDOWS\\SYSTEM\\SCARDSVR.EXE", "c:\\windows\\system"));
    EXPECT_FALSE(IsSmartCardServiceMarker("c:\\windows\\system32\\scardsvr.exe", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_FALSE(IsSmartCardServiceMarker("c:\\windows\\system\\scardsvr.exe ", "C:\\WINDOWS\\SYSTEM"));
    EXPECT_FALSE(IsSmartCardServiceMarker("", "C:\\WINDOWS\\SYSTEM"));
    // Only a to z change: bytes of other scripts stay as they are.
    EXPECT_EQ(UpperAscii("a\xe4z{`\xb5"), "A\xe4Z{`\xb5");
    EXPECT_FALSE(IsSmartCardServiceMarker("C:\\\xe4\\SCARDSVR.EXE", "C:\\\xc4"));
    EXPECT_EQ(CompanionRunValue("C:\\WINDOWS\\SYSTEM"), "C:\\WINDOWS\\SYSTEM\\TkpSvc.exe");
}

TEST(LicenseText, MemoLineBreaks) {
    EXPECT_EQ(ToMemoLineBreaks("a\nb\r\nc\n\n"), "a\r\nb\r\nc\r\n\r\n");
    EXPECT_EQ(ToMemoLineBreaks("\n"), "\r\n");
    EXPECT_EQ(ToMemoLineBreaks(""), "");
}

TEST(NoticeLayout, KoreanWideningAndButtonPlacement) {
    EXPECT_EQ(NoticeButtonTop(187, 41), 142);
    for (DisplayLanguage lang : {0, 1}) {
        auto w = NoticeLayoutFor(lang, 633, 179, 262);
        EXPECT_EQ(w.windowWidth, 633);
        EXPECT_EQ(w.buttonLeft, 179);
    }
    auto ko = NoticeLayoutFor(2, 633, 179, 262);
    EXPECT_EQ(ko.windowWidth, 773);
    EXPECT_EQ(ko.buttonLeft, 255);  // halves the outer width, not the panel's
    EXPECT_EQ(NoticeLayoutFor(2, 634, 179, 262).buttonLeft, 256);
}

TEST(NoticeLayout, CentringTruncatesTowardZero) {
    auto p = CentreOnScreen(640, 480, 773, 215);
    EXPECT_EQ(p.x, -66);
    EXPECT_EQ(p.y, 132);
    auto q = CentreOnScreen(1024, 768, 633, 215);
    EXPECT_EQ(q.x, 195);
    EXPECT_EQ(q.y, 276);
    EXPECT_EQ(CentreOnScreen(640, 480, 641, 481).x, 0);
}

TEST(PressGuard, OnePressAtATimeAndTheHandOverHoldsUntilTheAgreementCloses) {
    PressGuard guard;
    ASSERT_TRUE(guard.Begin());
    EXPECT_FALSE(guard.Begin());  // a second Yes or No inside the first
    guard.End(false);             // back to asking: Yes works again
    EXPECT_FALSE(guard.UnderWay());
    ASSERT_TRUE(guard.Begin());
    guard.End(true);  // the armed timer is still part of the pass
    EXPECT_FALSE(guard.Begin());
    guard.AgreementClosed();
    EXPECT_TRUE(guard.Begin());
    // The timer fired inside the pass (a box pumping messages): its window
    // closing changes nothing until the press itself ends.
    guard.AgreementClosed();
    EXPECT_TRUE(guard.UnderWay());
    guard.End(false);
    EXPECT_TRUE(guard.Begin());
}
