// The system restart. Wine's ExitWindowsEx starts "wineboot --end-session"
// (and --shutdown unless a restart is asked for), which ends every program
// of the prefix that has a window: the sample medium's installer stand-in,
// which records its command line, takes wineboot's place.
#include <gtest/gtest.h>

#include "install/system_restart.h"
#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"

using namespace wintest;

namespace {

// Polls `done` for up to 30 s, answering the messages sent to this thread
// meanwhile (the stand-in first broadcasts a setting change).
template <typename Done>
bool WaitUntil(Done done) {
    for (const DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > 30000) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    return true;
}

TEST(EngineRestart, AsksTheSystemForARestart) {
    const std::string wineboot = enginetest::SystemFolder() + "\\wineboot.exe", kept = wineboot + ".rs-kept";
    // Read at each program start, by every program of the prefix.
    enginetest::WriteText(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "wineboot.exe", "native");
    // The stand-in's record lands in the current folder, which it inherits.
    std::string record, check = "\"" + wineboot + "\" --check";
    auto recorded = [&record] {
        return (record = ReadWholeFile("wineboot.installer-ran.txt")).find("show-command=") != std::string::npos;
    };
    // In the native system folder, where ExitWindowsEx looks also from a
    // 32-bit program on 64-bit Windows.
    PVOID redirection = nullptr;
    bool native = Is64BitPrefix() && Wow64DisableWow64FsRedirection(&redirection);
    // Wine's own wineboot would end this run: the stand-in must answer first.
    const bool started = MoveFileA(wineboot.c_str(), kept.c_str()) &&
                         CopyFileA((ProgramFolder() + "medium\\XP64.exe").c_str(), wineboot.c_str(), FALSE) &&
                         WinExec(check.c_str(), SW_SHOWNORMAL) > 31;
    if (native) Wow64RevertWow64FsRedirection(redirection);
    const bool standIn = started && WaitUntil(recorded) && record.find(check + "\r\n") != std::string::npos;
    EXPECT_TRUE(standIn) << "the stand-in did not take wineboot's place";
    RemoveFile("wineboot.installer-ran.txt");
    if (standIn) {
        EXPECT_TRUE(rs::RestartSystem());
        // A restart (no --shutdown) that asks the programs to end (no --kill, --force).
        EXPECT_TRUE(WaitUntil(recorded));
        EXPECT_NE(record.find("command-line=" + wineboot + " --end-session\r\n"), std::string::npos) << record;
    }
    RemoveFile("wineboot.installer-ran.txt");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "wineboot.exe");
    // Once the stand-in has ended: a running program cannot be replaced.
    native = Is64BitPrefix() && Wow64DisableWow64FsRedirection(&redirection);
    EXPECT_TRUE(!FileExists(kept) || WaitUntil([&] {
        return MoveFileExA(kept.c_str(), wineboot.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }));
    if (native) Wow64RevertWow64FsRedirection(redirection);
}

}  // namespace
