// The test robot: drives another program's windows in the same Wine prefix
// and desktop. One invocation runs a short script of steps, so the Wine
// start-up cost is paid once:
//
//   robot.exe wait-window --class TSetupForm --timeout 10000 type --text n wait-gone
//
// Every step prints one or more UTF-8 lines "<kind> key=value ..." (values of
// texts quoted, with \\ \" \n \r \t escapes). A failed step prints
// "error step=N command=... message=..." and ends the script with exit code 1;
// a script that ran through ends with "done".
//
// Steps (options take one value; --timeout in ms, default 10000):
//   wait-window|find-window [--class C] [--caption T] [--caption-has T]
//               [--owner-class C] [--pid N] [--all]   select a top-level window
//   wait-box [--caption T]          select a message box (#32770); prints its
//                                   text (static 0xFFFF) and buttons
//   press-box [--caption T] [--button OK|Cancel|Yes|No|Retry|...|id]
//                                   answers a box and waits until it is gone
//                                   (fails when it stays), so a box is never
//                                   answered twice and the next step sees
//                                   what the answer led to
//   no-box [--timeout]              fails when a message box shows up
//   control [--class C] [--text T] [--id N] [--index K]   select a child
//   window                          back to the selected top-level window
//   text | rect | children | dump [--all] | screen
//   type --text S                   WM_CHAR per character to the selection
//   click [--x --y]                 BM_CLICK for buttons, else a posted click
//   mouse-move --x X --y Y          WM_MOUSEMOVE to the child under the point
//   mouse-click [--x --y] [--count N]   the real pointer to the point (client
//                                   coordinates of the selection, default
//                                   its centre), then N real left clicks
//                                   through the system's input queue
//                                   (client coordinates of the selection)
//   close [--how sys|wm-close]      SC_CLOSE (default) or WM_CLOSE
//   press --button NAME|--id N      WM_COMMAND to the selected window (a
//                                   selected box: as press-box)
//   progress                        a progress bar's position (PBM_GETPOS)
//   wait-gone                       until the selection is gone or hidden;
//                                   "ms" counts from the last action
//   wait-idle                       until the selected window's thread is
//                                   back in its message loop and has painted
//                                   what was due
//   wait-pos --x X --y Y            until the selection's position (as the
//                                   x, y of its line) is that
//   wait-text --text T | sleep --ms N | mark
//   launch --exe PATH [--dir DIR] [--args TEXT]
//                                   start a program, TEXT after its quoted
//                                   path in the command line (marks the time)
//   wait-exit                       until the launched program has ended;
//                                   its whole exit code (a Unix shell sees
//                                   only the low 8 bits through wine)
//   watch [--interval MS]           from here on, one line "seen" (class,
//                                   caption, pid, image) for every top-level
//                                   window of another process that becomes
//                                   visible, as it does (a look every MS,
//                                   default 5: Wine raises no show events)
//   unwatch                         ends the watch; "watched seen=N ..."
//   flash-box [--caption T] [--ms N]   a message box of the robot's own,
//                                   shown for about N ms (default 50)
//   hold --file PATH                keeps the file open (shared for reading
//                                   only) until the robot ends; "held"
//   time-starts --exe PATH [--dir DIR] --class C --versus PATH
//               [--versus-dir DIR] --versus-class C [--rounds N]
//                                   starts the two programs in turn, N rounds
//                                   each; per start one line "start" with the
//                                   ms from process creation until its window
//                                   of that class is visible and the process's
//                                   peak working set then; each is closed and
//                                   gone before the next starts
// Positions: x, y relative to the parent's client area (screen for top level),
// client-x/client-y the client area's screen origin.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/programs/robot/window_text.h"
#include "tests/programs/robot/watch.h"

namespace {

using namespace robot;

// Lines come from the script and from the screen watch's thread.
CRITICAL_SECTION emitting;

void Emit(const std::string& line) {
    std::string l = line + "\n";
    EnterCriticalSection(&emitting);
    std::fwrite(l.data(), 1, l.size(), stdout);
    std::fflush(stdout);
    LeaveCriticalSection(&emitting);
}

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

using Options = std::map<std::string, std::wstring>;

struct Step {
    std::string command;
    Options options;
};

bool Has(const Options& o, const char* key) { return o.count(key) != 0; }

long Num(const Options& o, const char* key, long fallback) {
    auto it = o.find(key);
    if (it == o.end()) return fallback;
    wchar_t* end = nullptr;
    long v = std::wcstol(it->second.c_str(), &end, 0);
    if (end == it->second.c_str() || *end) Fail(std::string("--") + key + " is not a number");
    return v;
}

struct Criteria {
    const Options& o;
    bool boxesOnly = false;

    bool Matches(HWND h) const {
        if (PidOf(h) == GetCurrentProcessId()) return false;
        if (!Has(o, "all") && !IsWindowVisible(h)) return false;
        std::wstring cls = ClassOf(h);
        if (boxesOnly && cls != L"#32770") return false;
        if (Has(o, "class") && cls != o.at("class")) return false;
        if (Has(o, "caption") && TextOf(h) != o.at("caption")) return false;
        if (Has(o, "caption-has") && TextOf(h).find(o.at("caption-has")) == std::wstring::npos) return false;
        if (Has(o, "owner-class")) {
            HWND owner = GetWindow(h, GW_OWNER);
            if (!owner || ClassOf(owner) != o.at("owner-class")) return false;
        }
        if (Has(o, "pid") && PidOf(h) != static_cast<DWORD>(Num(o, "pid", 0))) return false;
        return true;
    }
};

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND FindTop(const Criteria& c) {
    for (HWND h : TopLevels())
        if (c.Matches(h)) return h;
    return nullptr;
}

struct Rects {
    RECT window{};   // screen
    RECT client{};   // client size
    POINT origin{};  // client area's top-left on screen
    POINT pos{};     // window's top-left in its parent's client area (screen for top level)
};

Rects RectsOf(HWND h) {
    Rects r;
    GetWindowRect(h, &r.window);
    GetClientRect(h, &r.client);
    ClientToScreen(h, &r.origin);
    r.pos = {r.window.left, r.window.top};
    HWND parent = (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : nullptr;
    if (parent) ScreenToClient(parent, &r.pos);
    return r;
}

std::string Describe(HWND h) {
    Rects r = RectsOf(h);
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  " x=%ld y=%ld width=%ld height=%ld client-width=%ld client-height=%ld client-x=%ld client-y=%ld"
                  " left=%ld top=%ld right=%ld bottom=%ld visible=%d enabled=%d",
                  r.pos.x, r.pos.y, r.window.right - r.window.left, r.window.bottom - r.window.top, r.client.right,
                  r.client.bottom, r.origin.x, r.origin.y, r.window.left, r.window.top, r.window.right,
                  r.window.bottom, IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0);
    std::string s = "hwnd=" + Hex(h) + " class=" + Quote(ClassOf(h));
    if (GetWindowLongW(h, GWL_STYLE) & WS_CHILD) {
        s += " id=" + std::to_string(GetDlgCtrlID(h)) + " parent=" + Hex(GetParent(h));
    } else {
        s += " owner=" + Hex(GetWindow(h, GW_OWNER)) + " pid=" + std::to_string(PidOf(h));
    }
    return s + " text=" + Quote(TextOf(h)) + buf;
}

int ButtonId(const std::wstring& name) {
    static const std::map<std::wstring, int> ids = {{L"OK", IDOK},         {L"Cancel", IDCANCEL}, {L"Abort", IDABORT},
                                                    {L"Retry", IDRETRY},   {L"Ignore", IDIGNORE}, {L"Yes", IDYES},
                                                    {L"No", IDNO},         {L"Close", IDCLOSE},   {L"Help", IDHELP},
                                                    {L"TryAgain", IDTRYAGAIN}, {L"Continue", IDCONTINUE}};
    auto it = ids.find(name);
    if (it != ids.end()) return it->second;
    wchar_t* end = nullptr;
    long v = std::wcstol(name.c_str(), &end, 0);
    if (end == name.c_str() || *end) Fail("unknown button " + Utf8(name));
    return static_cast<int>(v);
}

// The deepest visible child under a client point of h (or h itself), with
// the point converted to that window's client coordinates.
HWND DeepestAt(HWND h, POINT& pt) {
    for (;;) {
        HWND child = ChildWindowFromPointEx(h, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == h) return h;
        MapWindowPoints(h, child, &pt, 1);
        h = child;
    }
}

// One timed start: creation of the process to its window of `cls` shown.
void TimeOneStart(const std::wstring& exe, const std::wstring& dir, const std::wstring& cls, long round) {
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER freq{}, start{}, now{};
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                        &si, &pi))
        Fail("CreateProcess failed: " + std::to_string(GetLastError()));
    CloseHandle(pi.hThread);
    HWND shown = nullptr;
    for (DWORD waited = GetTickCount(); !shown; Sleep(1)) {
        for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, cls.c_str(), nullptr)) != nullptr;)
            if (PidOf(h) == pi.dwProcessId && IsWindowVisible(h)) shown = h;
        if (!shown && GetTickCount() - waited > 60000) {
            TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
            Fail("no window of class " + Utf8(cls));
        }
    }
    QueryPerformanceCounter(&now);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const bool counted = GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory) != FALSE;
    const long long us = (now.QuadPart - start.QuadPart) * 1000000 / freq.QuadPart;
    PostMessageW(shown, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    if (!ended) Fail("program still running after its window was closed");
    char ms[32];
    std::snprintf(ms, sizeof ms, "%lld.%03lld", us / 1000, us % 1000);
    Emit("start exe=" + Quote(exe) + " round=" + std::to_string(round) + " ms=" + ms + " peak-ws=" +
         (counted ? std::to_string(memory.PeakWorkingSetSize) : std::string("unknown")));
}

BOOL CALLBACK EndBox(HWND h, LPARAM) {
    if (ClassOf(h) == L"#32770") EndDialog(h, IDOK);
    return TRUE;
}

void CALLBACK EndBoxesNow(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EnumThreadWindows(GetCurrentThreadId(), EndBox, 0);
}

// The screen watch's yardstick: a message box of this process that ends
// itself after ms (from a timer its own loop dispatches).
void FlashBox(const std::wstring& caption, UINT ms) {
    if (!SetTimer(nullptr, 0, ms, EndBoxesNow)) Fail("SetTimer failed");
    const DWORD start = GetTickCount();
    MessageBoxW(nullptr, L"flash", caption.c_str(), MB_OK);
    Emit("flashed ms=" + std::to_string(GetTickCount() - start));
}

class Robot {
public:
    int Run(const std::vector<Step>& steps) {
        for (size_t i = 0; i < steps.size(); ++i) {
            try {
                Do(steps[i]);
            } catch (const Failure& f) {
                Emit("error step=" + std::to_string(i + 1) + " command=" + steps[i].command +
                     " message=" + Quote(std::wstring(f.message.begin(), f.message.end())));
                return 1;
            }
        }
        Emit("done");
        return 0;
    }

private:
    HWND win_ = nullptr;
    HWND ctl_ = nullptr;
    DWORD mark_ = GetTickCount();
    HANDLE launched_ = nullptr;  // the last launched program; ends with the robot
    ScreenWatch watch_;

    HWND Target() const {
        HWND t = ctl_ ? ctl_ : win_;
        if (!t) Fail("no window selected");
        return t;
    }

    static DWORD Timeout(const Options& o) { return static_cast<DWORD>(Num(o, "timeout", 10000)); }

    HWND WaitFor(const Criteria& c, DWORD timeout) {
        DWORD start = GetTickCount();
        for (;;) {
            if (HWND h = FindTop(c)) return h;
            if (GetTickCount() - start >= timeout) return nullptr;
            Sleep(10);
        }
    }

    void EmitBox(HWND box) {
        Emit("box " + Describe(box) + " message=" + Quote(TextOf(GetDlgItem(box, 0xFFFF))));
        for (HWND c : Descendants(box))
            if (ClassOf(c) == L"Button")
                Emit("button id=" + std::to_string(GetDlgCtrlID(c)) + " text=" + Quote(TextOf(c)));
    }

    // Presses a box's button and waits until the box is gone.
    void AnswerBox(HWND box, int id, DWORD timeout) {
        HWND button = GetDlgItem(box, id);
        if (!button) Fail("box has no button " + std::to_string(id));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        mark_ = GetTickCount();
        Emit("pressed id=" + std::to_string(id));
        const DWORD start = GetTickCount();
        while (IsWindow(box) && IsWindowVisible(box)) {
            if (GetTickCount() - start >= timeout) Fail("the box is still shown after its answer");
            Sleep(5);
        }
        if (win_ == box) win_ = nullptr;
        ctl_ = nullptr;
    }

    // Until the window's thread answers a sent message, that is, is back in
    // its message loop.
    static void WaitIdle(HWND h, DWORD timeout) {
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_NORMAL, timeout, &ignored))
            Fail("the window's thread does not answer");
    }

    void PostClickAt(HWND h, POINT pt) {
        HWND t = DeepestAt(h, pt);
        LPARAM at = MAKELPARAM(pt.x, pt.y);
        PostMessageW(t, WM_MOUSEMOVE, 0, at);
        PostMessageW(t, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(t, WM_LBUTTONUP, 0, at);
        mark_ = GetTickCount();
        Emit("clicked hwnd=" + Hex(t) + " x=" + std::to_string(pt.x) + " y=" + std::to_string(pt.y));
    }

    void Do(const Step& s) {
        const Options& o = s.options;
        const std::string& c = s.command;
        if (c == "wait-window" || c == "find-window") {
            DWORD t = c == "find-window" ? 0 : Timeout(o);
            DWORD start = GetTickCount();
            HWND h = WaitFor(Criteria{o}, t);
            if (!h) Fail("no such window");
            win_ = h;
            ctl_ = nullptr;
            Emit("window " + Describe(h) + " waited=" + std::to_string(GetTickCount() - start) +
                 " since-mark=" + std::to_string(GetTickCount() - mark_));
        } else if (c == "wait-box" || c == "press-box") {
            HWND box = WaitFor(Criteria{o, true}, Timeout(o));
            if (!box) Fail("no message box");
            EmitBox(box);
            if (c == "press-box") {
                AnswerBox(box, ButtonId(Has(o, "button") ? o.at("button") : L"OK"), Timeout(o));
            } else {
                win_ = box;
                ctl_ = nullptr;
            }
        } else if (c == "no-box") {
            // Asserts that no message box shows up within the timeout.
            DWORD t = static_cast<DWORD>(Num(o, "timeout", 0));
            if (HWND box = WaitFor(Criteria{o, true}, t)) {
                EmitBox(box);
                Fail("a message box is shown");
            }
            Emit("no-box");
        } else if (c == "press") {
            HWND w = Target();
            int id = ButtonId(o.count("button") ? o.at("button") : std::to_wstring(Num(o, "id", IDOK)));
            if (ClassOf(w) == L"#32770") return AnswerBox(w, id, Timeout(o));
            PostMessageW(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, id)));
            mark_ = GetTickCount();
            Emit("pressed id=" + std::to_string(id));
        } else if (c == "control") {
            if (!win_) Fail("no window selected");
            long index = Num(o, "index", 0);
            for (HWND h : Descendants(win_)) {
                if (Has(o, "class") && ClassOf(h) != o.at("class")) continue;
                if (Has(o, "text") && TextOf(h) != o.at("text")) continue;
                if (Has(o, "id") && GetDlgCtrlID(h) != Num(o, "id", 0)) continue;
                if (index-- > 0) continue;
                ctl_ = h;
                Emit("control " + Describe(h));
                return;
            }
            Fail("no such control");
        } else if (c == "window") {
            ctl_ = nullptr;
            if (!win_) Fail("no window selected");
            Emit("window " + Describe(win_));
        } else if (c == "text") {
            Emit("text hwnd=" + Hex(Target()) + " value=" + Quote(TextOf(Target())));
        } else if (c == "rect") {
            Emit("rect " + Describe(Target()));
        } else if (c == "children") {
            for (HWND h : Descendants(Target())) Emit("child " + Describe(h));
        } else if (c == "dump") {
            for (HWND h : TopLevels()) {
                if (PidOf(h) == GetCurrentProcessId()) continue;
                if (!Has(o, "all") && !IsWindowVisible(h)) continue;
                Emit("top " + Describe(h));
                for (HWND ch : Descendants(h)) Emit("child " + Describe(ch));
            }
        } else if (c == "type") {
            HWND t = Target();
            if (!Has(o, "text")) Fail("--text missing");
            mark_ = GetTickCount();
            for (wchar_t ch : o.at("text")) PostMessageW(t, WM_CHAR, ch, 1);
            Emit("typed hwnd=" + Hex(t) + " text=" + Quote(o.at("text")));
        } else if (c == "click") {
            HWND t = Target();
            if (ClassOf(t) == L"Button") {
                PostMessageW(t, BM_CLICK, 0, 0);
                mark_ = GetTickCount();
                Emit("clicked hwnd=" + Hex(t));
            } else {
                RECT r{};
                GetClientRect(t, &r);
                PostClickAt(t, {Num(o, "x", r.right / 2), Num(o, "y", r.bottom / 2)});
            }
        } else if (c == "mouse-move") {
            POINT pt{Num(o, "x", 0), Num(o, "y", 0)};
            // The real pointer goes there too: otherwise the moves the system
            // makes up for the window under the pointer (after a window
            // appears, say) land elsewhere and undo what this one did.
            POINT screen = pt;
            ClientToScreen(Target(), &screen);
            SetCursorPos(screen.x, screen.y);
            HWND t = DeepestAt(Target(), pt);
            PostMessageW(t, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
            Emit("moved hwnd=" + Hex(t) + " class=" + Quote(ClassOf(t)) + " x=" + std::to_string(pt.x) +
                 " y=" + std::to_string(pt.y));
        } else if (c == "mouse-click") {
            // Real input, as a user's hand gives it: the system routes it to
            // the window under the pointer and makes a double click of two
            // quick clicks, which posted messages cannot show.
            HWND t = Target();
            // Where the window shows is settled once its thread is back in its
            // message loop (it may still centre itself), and the window under
            // the point must be the selection, or the clicks go elsewhere.
            WaitIdle(GetAncestor(t, GA_ROOT), Timeout(o));
            RECT r{};
            GetClientRect(t, &r);
            POINT screen{Num(o, "x", r.right / 2), Num(o, "y", r.bottom / 2)};
            ClientToScreen(t, &screen);
            HWND under = WindowFromPoint(screen);
            if (under != t && !IsChild(t, under))
                Fail("another window is under the point: " + Utf8(ClassOf(under)));
            const long count = Num(o, "count", 1);
            if (!SetCursorPos(screen.x, screen.y)) Fail("SetCursorPos failed");
            // Each event carries the point, so a late pointer motion the
            // window's thread reports from before cannot move the clicks.
            const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
            std::vector<INPUT> inputs;
            for (long i = 0; i < count; ++i) {
                for (DWORD flag : {DWORD{MOUSEEVENTF_LEFTDOWN}, DWORD{MOUSEEVENTF_LEFTUP}}) {
                    INPUT in{};
                    in.type = INPUT_MOUSE;
                    in.mi.dwFlags = flag | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
                    in.mi.dx = (screen.x * 65536 + w - 1) / w;
                    in.mi.dy = (screen.y * 65536 + h - 1) / h;
                    inputs.push_back(in);
                }
            }
            mark_ = GetTickCount();
            if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
                Fail("SendInput failed: " + std::to_string(GetLastError()));
            Emit("mouse-clicked hwnd=" + Hex(t) + " screen-x=" + std::to_string(screen.x) +
                 " screen-y=" + std::to_string(screen.y) + " count=" + std::to_string(count));
        } else if (c == "close") {
            HWND t = win_ ? win_ : Target();
            if (Has(o, "how") && o.at("how") == L"wm-close")
                PostMessageW(t, WM_CLOSE, 0, 0);
            else
                PostMessageW(t, WM_SYSCOMMAND, SC_CLOSE, 0);
            mark_ = GetTickCount();
            Emit("closing hwnd=" + Hex(t));
        } else if (c == "wait-gone") {
            HWND t = Target();
            DWORD start = GetTickCount(), timeout = Timeout(o);
            while (IsWindow(t) && IsWindowVisible(t)) {
                if (GetTickCount() - start >= timeout) Fail("window still shown");
                Sleep(2);
            }
            Emit("gone hwnd=" + Hex(t) + " ms=" + std::to_string(GetTickCount() - mark_));
        } else if (c == "wait-idle") {
            // A sent message is answered once the thread is back in its
            // message loop, so what it did as the window showed (centring,
            // making other windows) is done; then it paints what is due.
            HWND t = win_ ? win_ : Target();
            const DWORD start = GetTickCount();
            WaitIdle(t, Timeout(o));
            RedrawWindow(t, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            Emit("idle hwnd=" + Hex(t) + " ms=" + std::to_string(GetTickCount() - start));
        } else if (c == "wait-pos") {
            HWND t = Target();
            const DWORD start = GetTickCount(), timeout = Timeout(o);
            const POINT want{Num(o, "x", 0), Num(o, "y", 0)};
            for (;;) {
                if (!IsWindow(t)) Fail("the window is gone");
                const POINT at = RectsOf(t).pos;
                if (at.x == want.x && at.y == want.y) break;
                if (GetTickCount() - start >= timeout) Fail("position not reached");
                Sleep(1);
            }
            Emit("pos " + Describe(t) + " ms=" + std::to_string(GetTickCount() - mark_));
        } else if (c == "wait-text") {
            HWND t = Target();
            DWORD start = GetTickCount(), timeout = Timeout(o);
            while (TextOf(t) != o.at("text")) {
                if (GetTickCount() - start >= timeout) Fail("text not reached");
                Sleep(10);
            }
            Emit("text hwnd=" + Hex(t) + " value=" + Quote(TextOf(t)));
        } else if (c == "launch") {
            // Starts a program (for start-up timing: the mark is set just
            // before the process is created).
            if (!Has(o, "exe")) Fail("--exe missing");
            std::wstring cmd = L"\"" + o.at("exe") + L"\"";
            if (Has(o, "args")) cmd += L" " + o.at("args");
            STARTUPINFOW si{};
            si.cb = sizeof si;
            PROCESS_INFORMATION pi{};
            mark_ = GetTickCount();
            if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                Has(o, "dir") ? o.at("dir").c_str() : nullptr, &si, &pi))
                Fail("CreateProcess failed: " + std::to_string(GetLastError()));
            CloseHandle(pi.hThread);
            if (launched_) CloseHandle(launched_);
            launched_ = pi.hProcess;
            Emit("launched pid=" + std::to_string(pi.dwProcessId));
        } else if (c == "wait-exit") {
            if (!launched_) Fail("nothing launched");
            if (WaitForSingleObject(launched_, Timeout(o)) != WAIT_OBJECT_0) Fail("the program still runs");
            DWORD code = 0;
            GetExitCodeProcess(launched_, &code);
            Emit("exited code=" + std::to_string(code) + " ms=" + std::to_string(GetTickCount() - mark_));
        } else if (c == "time-starts") {
            for (const char* key : {"exe", "class", "versus", "versus-class"})
                if (!Has(o, key)) Fail(std::string("--") + key + " missing");
            const long rounds = Num(o, "rounds", 9);
            for (long round = 1; round <= rounds; ++round) {
                TimeOneStart(o.at("exe"), Has(o, "dir") ? o.at("dir") : L"", o.at("class"), round);
                TimeOneStart(o.at("versus"), Has(o, "versus-dir") ? o.at("versus-dir") : L"", o.at("versus-class"),
                             round);
            }
        } else if (c == "watch") {
            if (!watch_.Start(Emit, static_cast<DWORD>(Num(o, "interval", 5)))) Fail("the watch did not start");
            Emit("watching");
        } else if (c == "unwatch") {
            Emit(watch_.Stop());
        } else if (c == "flash-box") {
            FlashBox(Has(o, "caption") ? o.at("caption") : L"Flash", static_cast<UINT>(Num(o, "ms", 50)));
        } else if (c == "progress") {
            HWND t = Target();
            DWORD_PTR pos = 0;
            if (!SendMessageTimeoutW(t, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 2000, &pos)) Fail("PBM_GETPOS failed");
            Emit("progress hwnd=" + Hex(t) + " pos=" + std::to_string(static_cast<long>(pos)));
        } else if (c == "sleep") {
            Sleep(static_cast<DWORD>(Num(o, "ms", 100)));
            Emit("slept");
        } else if (c == "hold") {
            // A file kept open, shared for reading only, until the robot ends.
            if (CreateFileW(o.at("file").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) ==
                INVALID_HANDLE_VALUE)
                Fail("the file cannot be opened: " + std::to_string(GetLastError()));
            Emit("held");
        } else if (c == "mark") {
            mark_ = GetTickCount();
            Emit("mark tick=" + std::to_string(mark_));
        } else if (c == "screen") {
            Emit("screen width=" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) +
                 " height=" + std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        } else {
            Fail("unknown command " + c);
        }
    }
};

const char* const kCommands[] = {"wait-window", "find-window", "wait-box", "press-box", "no-box",   "press",
                                 "control",     "window",      "text",     "rect",      "children", "dump",
                                 "type",        "click",       "mouse-move", "close",   "wait-gone", "wait-text",
                                 "wait-idle",   "wait-pos",
                                 "sleep",       "mark",     "screen",    "launch",    "wait-exit",
                                 "time-starts", "progress", "watch",    "unwatch",   "flash-box", "hold"};
// Steps that drive the real pointer.
const char* const kPointerCommands[] = {"mouse-click"};

bool IsCommand(const std::string& word) {
    for (const char* c : kCommands)
        if (word == c) return true;
    for (const char* c : kPointerCommands)
        if (word == c) return true;
    return false;
}

// Flags without a value.
bool IsFlag(const std::string& name) { return name == "all"; }

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    InitializeCriticalSection(&emitting);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    std::vector<Step> steps;
    for (int i = 1; i < argc; ++i) {
        std::string word = Utf8(argv[i]);
        if (word.rfind("--", 0) == 0) {
            if (steps.empty()) {
                Emit("error step=0 message=\"option before any command\"");
                return 2;
            }
            std::string name = word.substr(2);
            if (IsFlag(name)) {
                steps.back().options[name] = L"1";
            } else if (i + 1 < argc) {
                steps.back().options[name] = argv[++i];
            } else {
                Emit("error step=0 message=\"option without value: " + name + "\"");
                return 2;
            }
        } else if (IsCommand(word)) {
            steps.push_back(Step{word, {}});
        } else {
            Emit("error step=0 message=\"unknown command " + word + "\"");
            return 2;
        }
    }
    LocalFree(argv);
    return Robot().Run(steps);
}
