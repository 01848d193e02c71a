// A form's window timers: armed on the form's window while enabled, fired
// through its WM_TIMER (TForm::WndProc).
#include <algorithm>

#include "toolkit/error.h"
#include "toolkit/forms.h"

namespace tk {

namespace {

UINT_PTR NextTimerId() {
    static UINT_PTR next = 1;
    return next++;
}

}  // namespace

TTimer::TTimer(TForm& owner, UINT interval) : owner_(owner), interval_(interval), id_(NextTimerId()) {
    owner_.RegisterTimer(this);
}

TTimer::~TTimer() {
    if (running_ && owner_.Handle()) KillTimer(owner_.Handle(), id_);
    owner_.UnregisterTimer(this);
}

void TTimer::SetInterval(UINT interval) {
    if (interval == interval_) return;
    interval_ = interval;
    if (running_) {
        running_ = false;
        KillTimer(owner_.Handle(), id_);
    }
    Apply();
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Apply();
}

void TTimer::Apply() {
    HWND hwnd = owner_.Handle();
    if (!hwnd) {
        running_ = false;
        return;
    }
    bool want = enabled_ && interval_ > 0;
    if (want && !running_) {
        if (!SetTimer(hwnd, id_, interval_, nullptr)) throw Error("Not enough timers available");
        running_ = true;
    } else if (!want && running_) {
        KillTimer(hwnd, id_);
        running_ = false;
    }
}

void TForm::RegisterTimer(TTimer* timer) { timers_.push_back(timer); }

void TForm::UnregisterTimer(TTimer* timer) {
    timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
}

}  // namespace tk
