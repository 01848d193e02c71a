// The robot's screen watch: from its start until its end, every top-level
// window of another process in the desktop that becomes visible, reported
// at once (so a script that fails later still shows what was seen).
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace robot {

class ScreenWatch {
public:
    // report gets one line per window shown; it runs on the watch's thread.
    // Looks every intervalMs.
    bool Start(std::function<void(const std::string&)> report, DWORD intervalMs);
    // Stops the watch; its summary line.
    std::string Stop();
    ~ScreenWatch();

private:
    static DWORD WINAPI Main(void* self);
    void Loop();

    std::function<void(const std::string&)> report_;
    DWORD interval_ = 2;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE started_ = nullptr;
    long seen_ = 0, polls_ = 0;
    DWORD start_ = 0;
};

}  // namespace robot
