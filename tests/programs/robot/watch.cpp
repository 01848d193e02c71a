#include "tests/programs/robot/watch.h"

#include <set>

#include "tests/programs/robot/window_text.h"

namespace robot {

namespace {

// The visible top-level windows of other processes.
std::set<HWND> ShownElsewhere() {
    std::set<HWND> shown;
    for (HWND h : TopLevels()) {
        DWORD pid = 0;
        if (GetWindowThreadProcessId(h, &pid) && pid != GetCurrentProcessId() && IsWindowVisible(h)) shown.insert(h);
    }
    return shown;
}

std::wstring ImageOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return L"";
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL got = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    if (!got) return L"";
    std::wstring p(path, size);
    return p.substr(p.find_last_of(L"\\/") + 1);
}

}  // namespace

bool ScreenWatch::Start(std::function<void(const std::string&)> report, DWORD intervalMs) {
    if (thread_) return false;
    report_ = std::move(report);
    interval_ = intervalMs;
    if (!stop_) stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!started_) started_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop_ || !started_) return false;
    ResetEvent(stop_);
    ResetEvent(started_);
    seen_ = polls_ = 0;
    start_ = GetTickCount();
    thread_ = CreateThread(nullptr, 0, &ScreenWatch::Main, this, 0, nullptr);
    if (!thread_) return false;
    // The first look is taken before the script goes on.
    const HANDLE either[] = {started_, thread_};
    return WaitForMultipleObjects(2, either, FALSE, 10000) == WAIT_OBJECT_0;
}

std::string ScreenWatch::Stop() {
    if (!thread_) return "watched running=0";
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    return "watched seen=" + std::to_string(seen_) + " polls=" + std::to_string(polls_) +
           " ms=" + std::to_string(GetTickCount() - start_);
}

ScreenWatch::~ScreenWatch() {
    Stop();
    if (stop_) CloseHandle(stop_);
    if (started_) CloseHandle(started_);
}

DWORD WINAPI ScreenWatch::Main(void* self) {
    static_cast<ScreenWatch*>(self)->Loop();
    return 0;
}

// Wine 8.0 raises no EVENT_OBJECT_SHOW, in a process or across (measured):
// the watch looks. A window it misses between two looks (its thread held
// off the processor) the X server's map events still show.
void ScreenWatch::Loop() {
    std::set<HWND> shown = ShownElsewhere();  // what the screen showed before is not this watch's
    SetEvent(started_);
    do {
        const std::set<HWND> now = ShownElsewhere();
        ++polls_;
        for (HWND h : now) {
            if (shown.count(h)) continue;
            ++seen_;
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            wchar_t caption[512] = {};
            GetWindowTextW(h, caption, 511);  // a caption needs no message to the owner
            report_("seen hwnd=" + Hex(h) + " class=" + Quote(ClassOf(h)) + " caption=" + Quote(caption) +
                    " pid=" + std::to_string(pid) + " image=" + Quote(ImageOf(pid)) +
                    " ms=" + std::to_string(GetTickCount() - start_));
        }
        shown = now;  // one hidden since counts again when it shows again
    } while (WaitForSingleObject(stop_, interval_) == WAIT_TIMEOUT);
}

}  // namespace robot
