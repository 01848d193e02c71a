#include <gtest/gtest.h>

#include "install/binding_rules.h"
#include "pnpbind/pnpbind_rules.h"
#include "ui/dialog_rules.h"
#include "ui/license_rules.h"
#include "ui/setup_pass_rules.h"

using namespace rs;

// The installers' names and the Vista64 boxes are checked end to end.
TEST(ExternalInstaller, FolderOfTheModule) {
    EXPECT_EQ(FolderOfModule("D:\\Setup\\setup.exe"), "D:\\Setup\\");
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

// The widths and the button's left edge are checked end to end.
TEST(NoticeLayout, ButtonTopFourPixelsAboveThePanelsBottom) { EXPECT_EQ(NoticeButtonTop(187, 41), 142); }

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
