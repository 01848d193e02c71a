// Driver file deployment against the real file system: the attribute reset,
// overwriting, the error code left for the message, and long folders.
#include <gtest/gtest.h>

#include "install/file_deploy.h"
#include "ui/setup_pass_rules.h"
#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"

using namespace enginetest;
using namespace wintest;

namespace {

// A program's file while its process runs: no one may open it for writing.
bool FileHeldByAProcess(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(h);
    return false;
}

std::string NarrowIn(const char16_t* text, UINT codePage) {
    const auto* w = reinterpret_cast<const wchar_t*>(text);
    char buffer[1024] = {};
    int n = WideCharToMultiByte(codePage, 0, w, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

// A medium folder of its own below the test folder, made current while the
// test runs.
class EngineFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char here[MAX_PATH] = {};
        GetCurrentDirectoryA(sizeof here, here);
        home_ = here;
        medium_ = home_ + "\\engine_medium";
        RemoveTree(medium_);
        ASSERT_TRUE(CreateDirectoryA(medium_.c_str(), nullptr));
        CreateDirectoryA((medium_ + "\\drivers").c_str(), nullptr);
        CreateDirectoryA((medium_ + "\\out").c_str(), nullptr);
        ASSERT_TRUE(SetCurrentDirectoryA(medium_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryA(home_.c_str());
        RemoveTree(medium_);
    }
    std::string home_, medium_;
};

TEST_F(EngineFiles, ReadOnlyHiddenDestinationIsOverwritten) {
    WriteWholeFile("drivers\\ORVEX.sys", "new driver");
    const std::string dest = medium_ + "\\out\\ORVEX.sys";
    WriteWholeFile(dest, "old driver from an earlier installation");
    ASSERT_TRUE(SetFileAttributesA(dest.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    EXPECT_TRUE(rs::InstallFile(".\\drivers\\ORVEX.sys", dest));
    EXPECT_EQ(ReadWholeFile(dest), "new driver");
    DWORD attributes = GetFileAttributesA(dest.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
}

// A copy takes the source's attributes: only read-only goes, hidden stays.
TEST_F(EngineFiles, CopyFromADiscLosesOnlyTheReadOnlyAttribute) {
    WriteWholeFile("drivers\\ORVEX.sys", "driver");
    ASSERT_TRUE(SetFileAttributesA("drivers\\ORVEX.sys", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(rs::InstallFile(".\\drivers\\ORVEX.sys", "out\\ORVEX.sys"));
    EXPECT_EQ(GetFileAttributesA("out\\ORVEX.sys") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), DWORD{FILE_ATTRIBUTE_HIDDEN});
}

TEST_F(EngineFiles, MissingSourceLeavesErrorTwoForTheMessageInEveryLanguage) {
    const std::string dest = medium_ + "\\out\\ORVEX.inf";
    EXPECT_FALSE(rs::InstallFile(".\\drivers\\ORVEX.ncp", dest));
    EXPECT_EQ(GetLastError(), 2u);
    EXPECT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(rs::CopyFailureText("ORVEX.inf", 0), "Cannot Copy ORVEX.inf, Error Code : 2");
    // The code is still there for the next language asked.
    EXPECT_EQ(rs::CopyFailureText("ORVEX.inf", 1),
              NarrowIn(u"無法複製檔案 ORVEX.inf, 錯誤代碼 : 2", 950));
    EXPECT_EQ(rs::CopyFailureText("ORVEX.inf", 2), "Cannot Copy ORVEX.inf, Error Code : 2");
}

TEST_F(EngineFiles, FailureTextsComeOutWholeForDiskFullNegativeCodesAndLongNames) {
    SetLastError(112);
    EXPECT_EQ(rs::CopyFailureText("ORVEX.sys", 0), "Cannot Copy ORVEX.sys, Error Code : Disk Full");
    SetLastError(112);
    EXPECT_EQ(rs::CopyFailureText("ORVEX.sys", 1), NarrowIn(u"無法複製檔案 ORVEX.sys, 錯誤代碼 : 磁碟已滿", 950));

    // A long name comes out whole.
    const std::string name = std::string(200, 'p') + ".exe";
    SetLastError(0x80070002);
    EXPECT_EQ(rs::CopyFailureText(name, 0), "Cannot Copy " + name + ", Error Code : -2147024894");
    SetLastError(0x80070002);
    std::string chinese = rs::CopyFailureText(name, 1);
    EXPECT_EQ(chinese, NarrowIn(u"無法複製檔案 ", 950) + name + NarrowIn(u", 錯誤代碼 : -2147024894", 950));
}

TEST_F(EngineFiles, DestinationHeldOpenWithoutSharingKeepsItsFileAndReportsThirtyTwo) {
    WriteWholeFile("drivers\\tkpsvc.exe", "new service program");
    const std::string dest = medium_ + "\\out\\tkpsvc.exe";
    WriteWholeFile(dest, "running service program");
    HANDLE held = CreateFileA(dest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    BOOL copied = rs::InstallFile(".\\drivers\\tkpsvc.exe", dest);
    DWORD error = GetLastError();
    CloseHandle(held);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, 32u);
    EXPECT_EQ(ReadWholeFile(dest), "running service program");
}

TEST_F(EngineFiles, DestinationRunningAsAProgram) {
    WriteWholeFile("drivers\\tkpsvc.exe", "new service program");
    const std::string dest = medium_ + "\\out\\tkpsvc.exe";
    ASSERT_TRUE(CopyFileA((home_ + "\\engine_waitprobe.exe").c_str(), dest.c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(dest.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, (medium_ + "\\out").c_str(),
                               &startup, &info));
    // Held from the moment its process is made: waited for, not guessed.
    const DWORD start = GetTickCount();
    while (!FileHeldByAProcess(dest) && GetTickCount() - start < 10000) Sleep(5);
    BOOL copied = rs::InstallFile(".\\drivers\\tkpsvc.exe", dest);
    DWORD error = GetLastError();
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, 32u);
    EXPECT_NE(ReadWholeFile(dest), "new service program");
}

TEST_F(EngineFiles, RowDestinationsLieInTheSystemFolders) {
    const std::string w = WindowsFolder(), s = SystemFolder();
    EXPECT_EQ(rs::DestinationOf(rs::CopyTableRow(1)), w + "\\inf\\ORVEX.inf");
    EXPECT_EQ(rs::DestinationOf(rs::CopyTableRow(5)), s + "\\smclib.vxd");
    EXPECT_EQ(rs::WindowsDirectory(), w);
    EXPECT_EQ(rs::SystemDirectory(), s);

    // Row 14 for real: the medium's .ncp lands in the Windows inf folder.
    WriteWholeFile("drivers\\ORVEX.ncp", "[Version]\r\n");
    const std::string dest = w + "\\inf\\ORVEX.inf";
    ASSERT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES);
    const rs::CopyRow& row = rs::CopyTableRow(14);
    EXPECT_TRUE(rs::InstallFile(row.source, rs::DestinationOf(row)));
    EXPECT_EQ(ReadWholeFile(dest), "[Version]\r\n");
    DeleteFileA(dest.c_str());
}

// The current folder is read whole at the longest the system sets
// (MAX_PATH - 2: longer ones are refused, under Wine as on Windows), and a
// relative copy works from it; the Windows 2000 binding INF is built under it.
TEST_F(EngineFiles, LongestCurrentFolderIsReadWhole) {
    std::string deep = medium_;
    while (deep.size() < MAX_PATH - 2) {
        const size_t room = MAX_PATH - 2 - deep.size() - 1;
        deep += '\\';
        deep.append(room > 60 ? 60 : room, 'm');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size() << " " << GetLastError();
    }
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str())) << GetLastError();
    EXPECT_EQ(rs::CurrentDirectory(), deep);
    EXPECT_EQ(rs::BindingInfPath(5, rs::CurrentDirectory()), deep + "\\Drivers\\win2000\\orvex.inf");
    ASSERT_TRUE(CreateDirectoryA("drivers", nullptr));
    ASSERT_TRUE(WriteWholeFile("drivers\\ORVEX.ncp", "inf text"));
    const std::string dest = medium_ + "\\out\\ORVEX.inf";
    EXPECT_TRUE(rs::InstallFile(".\\drivers\\ORVEX.ncp", dest));
    EXPECT_EQ(ReadWholeFile(dest), "inf text");
    SetCurrentDirectoryA(medium_.c_str());
}

}  // namespace
