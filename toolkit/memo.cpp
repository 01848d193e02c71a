#include "toolkit/controls.h"

#include "toolkit/control_paint.h"

namespace tk {

HWND TMemo::CreateHandle(HWND parentWindow, int id) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL | ES_LEFT;
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    if (options_ & coReadOnly) style |= ES_READONLY;
    if (options_ & coVScroll) style |= WS_VSCROLL;
    if (!(options_ & coWordWrap)) style |= ES_AUTOHSCROLL;
    if (options_ & coTabStop) style |= WS_TABSTOP;
    DWORD exStyle = (options_ & coBorder) ? WS_EX_CLIENTEDGE : 0;
    return CreateWindowExA(exStyle, "EDIT", text_.c_str(), style, left_, top_, width_, height_, parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), detail::ModuleInstance(), nullptr);
}

HBRUSH TMemo::ControlColor(HDC dc) {
    COLORREF back = color_ == clDefault ? GetSysColor(COLOR_WINDOW) : ToColorRef(color_);
    if (!brush_ || brushColor_ != back) {
        brush_.reset(CreateSolidBrush(back));
        brushColor_ = back;
    }
    SetTextColor(dc, ToColorRef(font_.color));
    SetBkColor(dc, back);
    return static_cast<HBRUSH>(brush_.get());
}

}  // namespace tk
