// Driver file deployment against the real file system: the attribute reset,
// overwriting, the error code left for the message, and long folders.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "install/file_deploy.h"
#include "tests/win/engine_test_support.h"

using namespace enginetest;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string NarrowIn(const char16_t* text, UINT codePage) {
    const auto* w = reinterpret_cast<const wchar_t*>(text);
    char buffer[1024] = {};
    int n = WideCharToMultiByte(codePage, 0, w, -1, buffer, sizeof buffer, nullptr, nullptr);
    return n > 0 ? std::string(buffer) : std::string();
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
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
    WriteAll("drivers\\ORVEX.sys", "new driver");
    const std::string dest = medium_ + "\\out\\ORVEX.sys";
    WriteAll(dest, "old driver from an earlier installation");
    ASSERT_TRUE(SetFileAttributesA(dest.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    EXPECT_TRUE(rs::InstallFile(".\\drivers\\ORVEX.sys", dest));
    EXPECT_EQ(ReadAll(dest), "new driver");
    DWORD attributes = GetFileAttributesA(dest.c_str());
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
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

    // Longer than the 50-byte slots once held.
    const std::string name = std::string(200, 'p') + ".exe";
    SetLastError(0x80070002);
    EXPECT_EQ(rs::CopyFailureText(name, 0), "Cannot Copy " + name + ", Error Code : -2147024894");
    SetLastError(0x80070002);
    std::string chinese = rs::CopyFailureText(name, 1);
    EXPECT_EQ(chinese, NarrowIn(u"無法複製檔案 ", 950) + name + NarrowIn(u", 錯誤代碼 : -2147024894", 950));
}

TEST_F(EngineFiles, DestinationHeldOpenWithoutSharingKeepsItsFileAndReportsThirtyTwo) {
    WriteAll("drivers\\tkpsvc.exe", "new service program");
    const std::string dest = medium_ + "\\out\\tkpsvc.exe";
    WriteAll(dest, "running service program");
    HANDLE held = CreateFileA(dest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    BOOL copied = rs::InstallFile(".\\drivers\\tkpsvc.exe", dest);
    DWORD error = GetLastError();
    CloseHandle(held);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, 32u);
    EXPECT_EQ(ReadAll(dest), "running service program");
}

TEST_F(EngineFiles, DestinationRunningAsAProgram) {
    WriteAll("drivers\\tkpsvc.exe", "new service program");
    const std::string dest = medium_ + "\\out\\tkpsvc.exe";
    ASSERT_TRUE(CopyFileA((home_ + "\\engine_waitprobe.exe").c_str(), dest.c_str(), FALSE));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessA(dest.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, (medium_ + "\\out").c_str(),
                               &startup, &info));
    Sleep(200);
    BOOL copied = rs::InstallFile(".\\drivers\\tkpsvc.exe", dest);
    DWORD error = GetLastError();
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    EXPECT_FALSE(copied);
    EXPECT_EQ(error, 32u);
    EXPECT_NE(ReadAll(dest), "new service program");
}

TEST_F(EngineFiles, RowDestinationsLieInTheSystemFolders) {
    const std::string w = WindowsFolder(), s = SystemFolder();
    EXPECT_EQ(rs::DestinationOf(rs::CopyTableRow(1)), w + "\\inf\\ORVEX.inf");
    EXPECT_EQ(rs::DestinationOf(rs::CopyTableRow(5)), s + "\\smclib.vxd");
    EXPECT_EQ(rs::WindowsDirectory(), w);
    EXPECT_EQ(rs::SystemDirectory(), s);

    // Row 14 for real: the medium's .ncp lands in the Windows inf folder.
    WriteAll("drivers\\ORVEX.ncp", "[Version]\r\n");
    const std::string dest = w + "\\inf\\ORVEX.inf";
    ASSERT_EQ(GetFileAttributesA(dest.c_str()), INVALID_FILE_ATTRIBUTES);
    const rs::CopyRow& row = rs::CopyTableRow(14);
    EXPECT_TRUE(rs::InstallFile(row.source, rs::DestinationOf(row)));
    EXPECT_EQ(ReadAll(dest), "[Version]\r\n");
    DeleteFileA(dest.c_str());
}

TEST_F(EngineFiles, CurrentFolderOfTwoHundredFortyCharacters) {
    // Build a folder whose full path is exactly 240 characters.
    std::string deep = medium_;
    while (deep.size() < 240 - 1) {
        size_t room = 240 - deep.size() - 1;
        deep += '\\';
        deep.append(room > 60 ? 60 : room, 'm');
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
    }
    ASSERT_EQ(deep.size(), 240u);
    ASSERT_TRUE(CreateDirectoryA((deep + "\\drivers").c_str(), nullptr));
    ASSERT_TRUE(SetCurrentDirectoryA(deep.c_str()));
    WriteAll("drivers\\ORVEX.ncp", "inf text");
    const std::string dest = medium_ + "\\out\\ORVEX.inf";
    // 240 + ".\drivers\ORVEX.ncp" stays within MAX_PATH.
    EXPECT_TRUE(rs::InstallFile(".\\drivers\\ORVEX.ncp", dest));
    EXPECT_EQ(ReadAll(dest), "inf text");
    SetCurrentDirectoryA(medium_.c_str());
}

}  // namespace
