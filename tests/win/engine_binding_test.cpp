// Driver binding through the stand-in binding library (testbin/pnpbind.dll,
// imported by ordinal 1 like the real one), answered from a second thread,
// and the external installer started and waited for.
#include <gtest/gtest.h>

#include "install/binding.h"
#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"
#include "toolkit/application.h"

using namespace enginetest;
using namespace wintest;

namespace {

const char kStandinKey[] = "Software\\ReaderSetupTests\\EngineStandinPnpbind";

class EngineBinding : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinKey);
        owner_ = CreateWindowExA(0, "STATIC", "engine binding owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(owner_, nullptr);
    }
    void TearDown() override {
        DestroyWindow(owner_);
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinKey);
        // The cancel path's wake-up message is not for the tests that follow.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    static void Configure(DWORD failures, DWORD setRestart) {
        WriteValue(HKEY_CURRENT_USER, kStandinKey, "FailuresLeft", REG_DWORD, &failures, sizeof failures);
        WriteValue(HKEY_CURRENT_USER, kStandinKey, "SetRestart", REG_DWORD, &setRestart, sizeof setRestart);
    }
    static DWORD Calls() { return ReadValue(HKEY_CURRENT_USER, kStandinKey, "CallCount").Number(); }
    static std::string Call(int n) {
        std::string text = ReadValue(HKEY_CURRENT_USER, kStandinKey, (std::string("Call") + std::to_string(n)).c_str()).Text();
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    HWND owner_ = nullptr;
};

std::string NullPointer() {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%p", static_cast<void*>(nullptr));
    return buffer;
}

void ExpectOnePrompt(const std::vector<BoxSeen>& seen, const wchar_t* caption, const wchar_t* text) {
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, caption);
    EXPECT_EQ(seen[0].text, text);
}

TEST_F(EngineBinding, BoundAtOnceShowsNoPrompt) {
    Configure(0, 0);
    BoxAnswerer answerer(owner_, {IDCANCEL});
    EXPECT_EQ(rs::BindReaderDriver(owner_, 0, ".\\Drivers\\winxp\\orvex.inf"), 1);
    EXPECT_TRUE(answerer.Seen().empty());
    ASSERT_EQ(Calls(), 1u);
    EXPECT_EQ(Call(1), NullPointer() + "|USB\\Vid_0d4e&Pid_0010|.\\Drivers\\winxp\\orvex.inf|1|0");
}

TEST_F(EngineBinding, OkRetriesWithTheSameArgumentsUntilBound) {
    // The library sets the restart flag on its first, failing call; the flag
    // is not reset between attempts.
    Configure(2, 1);
    const std::string inf = "C:\\medium\\setup\\Drivers\\win2000\\orvex.inf";
    BoxAnswerer answerer(owner_, {IDOK, IDOK, IDOK});
    EXPECT_EQ(rs::BindReaderDriver(owner_, 0, inf), 1);
    std::vector<BoxSeen> seen = answerer.Seen();
    ASSERT_EQ(seen.size(), 2u);
    for (const BoxSeen& box : seen) {
        EXPECT_EQ(box.caption, L"Notice");
        EXPECT_EQ(box.text, L"Please re-plug ORVEX Series Reader");
    }
    ASSERT_EQ(Calls(), 3u);
    const std::string head = NullPointer() + "|USB\\Vid_0d4e&Pid_0010|" + inf + "|1|";
    EXPECT_EQ(Call(1), head + "0");
    EXPECT_EQ(Call(2), head + "1");
    EXPECT_EQ(Call(3), head + "1");
}

TEST_F(EngineBinding, CancelOrClosingThePromptRequestsTheEnd) {
    for (WPARAM answer : {WPARAM{IDCANCEL}, WPARAM{0}}) {
        SCOPED_TRACE(answer);
        tk::Application::Instance().ResetForTests();  // each case requests the end on its own
        ASSERT_FALSE(tk::Application::Instance().Terminated());
        RegDeleteTreeA(HKEY_CURRENT_USER, kStandinKey);
        Configure(100, 0);
        BoxAnswerer answerer(owner_, {answer});
        EXPECT_EQ(rs::BindReaderDriver(owner_, 1, ".\\Drivers\\winxp\\orvex.inf"), 0);
        ExpectOnePrompt(answerer.Seen(), L"注意", L"請重新插入ORVEX Series讀卡機");
        EXPECT_EQ(Calls(), 1u);
        EXPECT_TRUE(tk::Application::Instance().Terminated());
    }
}

TEST_F(EngineBinding, KoreanPromptTakesTheKoreanTexts) {
    Configure(1, 0);
    BoxAnswerer answerer(owner_, {IDOK});
    EXPECT_EQ(rs::BindReaderDriver(owner_, 2, ".\\Drivers\\winxp\\orvex.inf"), 1);
    ExpectOnePrompt(answerer.Seen(), L"주의", L"리더기를 PC에 다시 연결했습니까?");
}

std::string Here() {
    char here[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof here, here);
    return here;
}

// The installer runs in its own folder, whose name has a blank (Wine
// quotes such a program path in the command line it makes; Windows does not).
TEST(EngineRunAndWait, WaitsForTheInstallerInItsOwnFolder) {
    const std::string folder = Here() + "\\engine installer";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::string program = folder + "\\Vista64.exe";
    ASSERT_TRUE(CopyFileA((Here() + "\\engine_waitprobe.exe").c_str(), program.c_str(), FALSE));
    DeleteFileA((folder + "\\waitprobe.out").c_str());

    EXPECT_EQ(rs::RunAndWait(program, folder), 1);
    // The probe writes its current folder only after a pause: present means waited.
    EXPECT_EQ(ReadWholeFile(folder + "\\waitprobe.out"), folder);
    RemoveTree(folder);
}

TEST(EngineRunAndWait, MissingInstallerLeavesTheStartsErrorCode) {
    const std::string here = Here();
    SetLastError(0);
    EXPECT_EQ(rs::RunAndWait(here + "\\Vista64.exe", here), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
