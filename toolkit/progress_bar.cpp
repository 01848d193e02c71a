#include "toolkit/controls.h"

#include <commctrl.h>

#include "base/system_dll.h"
#include "toolkit/control_paint.h"

namespace tk {

namespace {
// Loads the common controls library (by its full system path) once and
// registers its window classes; false when it is missing.
bool CommonControlsReady() {
    static const bool ready = [] {
        const auto init = rs::KeptSystemEntry<void(WINAPI*)()>("comctl32.dll", "InitCommonControls");
        if (init) init();
        return init != nullptr;
    }();
    return ready;
}
}  // namespace

HWND TProgressBar::CreateHandle(HWND parentWindow, int id) {
    if (!CommonControlsReady()) return nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) style |= WS_VISIBLE;
    return CreateWindowExA(0, PROGRESS_CLASSA, "", style, left_, top_, width_, height_, parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), detail::ModuleInstance(), nullptr);
}

void TProgressBar::AfterCreate() {
    SendMessageA(hwnd_, PBM_SETRANGE, 0, MAKELPARAM(min_, max_));
    SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
    if (hwnd_) SendMessageA(hwnd_, PBM_SETRANGE, 0, MAKELPARAM(min_, max_));
}

void TProgressBar::SetPosition(int position) {
    position_ = position;
    if (hwnd_) SendMessageA(hwnd_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

}  // namespace tk
