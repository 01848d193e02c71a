#include "toolkit/controls.h"

#include "toolkit/control_paint.h"

namespace tk {

HWND TButton::CreateHandle(HWND parentWindow, int id) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON;
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    return CreateWindowExA(0, "BUTTON", text_.c_str(), style, left_, top_, width_, height_, parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), detail::ModuleInstance(), nullptr);
}

void TButton::Command(WORD code) {
    if (code == BN_CLICKED && OnClick) OnClick();
}

}  // namespace tk
