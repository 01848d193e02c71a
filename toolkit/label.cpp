#include "toolkit/controls.h"

#include "toolkit/control_paint.h"

namespace tk {

// An auto-sized label has measured its text when its font was made, just
// before its window: the window is made at that size.
HWND TLabel::CreateHandle(HWND parentWindow, int id) { return CreateOwnClass("TLabel", 0, 0, parentWindow, id); }

UINT TLabel::DrawFlags() const { return DT_EXPANDTABS | ((options_ & coCenter) ? DT_CENTER : DT_LEFT); }

void TLabel::Resize() {
    // Measured once its font is made (a text set before is measured then).
    if (!(options_ & coAutoSize) || !FontHandle()) return;
    // An empty caption still keeps a line's height.
    std::string measured = text_;
    if (measured.empty() || measured == "&") measured += ' ';
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontHandle());
    RECT rc{0, 0, 0, 0};
    DrawTextA(dc, measured.c_str(), -1, &rc, DrawFlags() | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    width_ = rc.right - rc.left;
    height_ = rc.bottom - rc.top;
    if (hwnd_) {
        SetWindowPos(hwnd_, nullptr, 0, 0, width_, height_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TLabel::FontChanged() {
    Resize();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TLabel::AfterTextChange() { FontChanged(); }

void TLabel::Paint(HDC target) {
    detail::BufferedPaint buffer(target, width_, height_);
    HDC dc = buffer.dc();
    PaintBackground(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(font_.color));
    HGDIOBJ old = SelectObject(dc, FontHandle());
    RECT rc{0, 0, width_, height_};
    DrawTextA(dc, text_.c_str(), -1, &rc, DrawFlags());
    SelectObject(dc, old);
}

bool TLabel::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (DrawnControlMessage(msg, wp, lp, result)) return true;
    switch (msg) {
    case WM_LBUTTONDOWN:
        pressed_ = true;
        SetCapture(hwnd_);
        return true;
    case WM_LBUTTONUP: {
        bool wasPressed = pressed_;
        pressed_ = false;
        if (GetCapture() == hwnd_) ReleaseCapture();
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT rc;
        GetClientRect(hwnd_, &rc);
        if (wasPressed && PtInRect(&rc, pt) && OnClick) OnClick();
        return true;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return true;
    default:
        return false;
    }
}

}  // namespace tk
