#include "toolkit/controls.h"

#include "toolkit/control_paint.h"

namespace tk {

HWND TPanel::CreateHandle(HWND parentWindow, int id) {
    return CreateOwnClass("TPanel", WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, parentWindow, id);
}

bool TPanel::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (ContainerMessage(msg, wp, lp, result)) return true;
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        rs::unique_gdiobj brush(CreateSolidBrush(EffectiveColor()));
        FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(brush.get()));
        result = 1;
        return true;
    }
    return false;
}

}  // namespace tk
