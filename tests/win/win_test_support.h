// What every integration test may need: whole files, folder trees, the
// programs beside win_tests.exe, the prefix's width, and an answerer of
// message boxes on a thread of its own.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "base/module_path.h"

namespace wintest {

// The file's bytes; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string content;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got > 0) content.append(chunk, got);
    CloseHandle(h);
    return content;
}

inline bool WriteWholeFile(const std::string& path, const std::string& content) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                    written == content.size();
    CloseHandle(h);
    return ok;
}

inline bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool IsFolder(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

inline void RemoveFile(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// Entry names directly inside a folder, "." and ".." left out.
inline std::set<std::string> ListFolder(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry{};
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string n = entry.cFileName;
        if (n != "." && n != "..") names.insert(n);
    } while (FindNextFileA(h, &entry));
    FindClose(h);
    return names;
}

// The folder and everything in it, read-only files included.
inline void RemoveTree(const std::string& folder) {
    for (const auto& name : ListFolder(folder)) {
        const std::string path = folder + "\\" + name;
        if (IsFolder(path))
            RemoveTree(path);
        else
            RemoveFile(path);
    }
    RemoveDirectoryA(folder.c_str());
}

// The folder of win_tests.exe, where the test programs lie, with its backslash.
inline std::string ProgramFolder() {
    const std::string path = rs::ModuleFileName();
    return path.substr(0, path.find_last_of('\\') + 1);
}

// The run script names the prefix's width.
inline bool Is64BitPrefix() {
    const char* arch = std::getenv("RS_PREFIX_ARCH");
    return arch && std::string(arch) == "win64";
}

struct ProgramRun {
    bool started = false;
    bool ended = false;  // false: still running at the deadline, then ended by force
    DWORD exitCode = 0;
    std::string output;  // stdout and stderr, when asked for
};

// Starts a command line (in folder, when given) and waits for its end, at
// most timeoutMs.
inline ProgramRun RunProgram(const std::string& commandLine, const std::string& folder = "", bool captureOutput = false,
                             DWORD timeoutMs = 60000) {
    ProgramRun run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (captureOutput) {
        if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return run;
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    if (captureOutput) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = writeEnd;
        si.hStdError = writeEnd;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi{};
    std::string command = commandLine;
    run.started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, captureOutput, 0, nullptr,
                                 folder.empty() ? nullptr : folder.c_str(), &si, &pi) != FALSE;
    if (writeEnd) CloseHandle(writeEnd);
    if (run.started) {
        if (readEnd) {
            char buf[4096];
            DWORD got = 0;
            while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) run.output.append(buf, got);
        }
        run.ended = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!run.ended) TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    if (readEnd) CloseHandle(readEnd);
    return run;
}

struct BoxSeen {
    std::wstring caption;
    std::wstring text;
};

// On a thread of its own: finds the message boxes of this process (owned by
// owner, when given), notes their texts and answers them in turn with a
// button id (0: the close box), waiting until each answered box is gone, so
// no box is answered twice.
class BoxAnswerer {
public:
    BoxAnswerer(HWND owner, std::vector<WPARAM> answers) : owner_(owner), answers_(std::move(answers)) {
        thread_ = std::thread([this] { Run(); });
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    ~BoxAnswerer() { Stop(); }
    // The boxes answered so far; the answerer stops.
    std::vector<BoxSeen> Seen() {
        Stop();
        return seen_;
    }

private:
    struct Search {
        HWND owner;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND window, LPARAM param) {
        auto* search = static_cast<Search*>(reinterpret_cast<void*>(param));
        char cls[32] = {};
        GetClassNameA(window, cls, sizeof cls);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (std::string(cls) == "#32770" && pid == GetCurrentProcessId() && IsWindowVisible(window) &&
            (!search->owner || GetWindow(window, GW_OWNER) == search->owner)) {
            search->found = window;
            return FALSE;
        }
        return TRUE;
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Run() {
        for (size_t next = 0; !stop_ && next < answers_.size();) {
            Search search{owner_, nullptr};
            EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
            if (!search.found) {
                Sleep(20);
                continue;
            }
            const HWND box = search.found;
            BoxSeen seen;
            wchar_t buffer[512] = {};
            GetWindowTextW(box, buffer, 512);
            seen.caption = buffer;
            GetDlgItemTextW(box, 0xFFFF, buffer, 512);
            seen.text = buffer;
            seen_.push_back(seen);
            const WPARAM answer = answers_[next++];
            if (answer == 0) {
                PostMessageW(box, WM_CLOSE, 0, 0);
            } else {
                PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(box, static_cast<int>(answer))));
            }
            while (!stop_ && IsWindow(box) && IsWindowVisible(box)) Sleep(10);
        }
    }
    HWND owner_;
    std::vector<WPARAM> answers_;
    std::vector<BoxSeen> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace wintest
