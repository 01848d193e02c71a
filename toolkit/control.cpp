#include "toolkit/controls.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/control_paint.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/layout_rules.h"
#include "toolkit/window_map.h"

namespace tk {

namespace {

detail::WindowMap<TControl>& Controls() {
    return detail::ListOf<TControl>();
}

void RegisterOwnClass(const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(detail::ModuleInstance(), name, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = detail::ModuleInstance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Error(std::string("Cannot register window class ") + name);
    }
}

// IDC_HAND: the system's hand pointer, from Windows 98 and 2000 on.
const LPCSTR kSystemHand = MAKEINTRESOURCEA(32649);

}  // namespace

HCURSOR HandCursorOr(HCURSOR systemHand, HINSTANCE module) {
    return systemHand ? systemHand : LoadCursorA(module, kOwnHandCursor);
}

HCURSOR HandCursor() {
    static const HCURSOR hand = HandCursorOr(LoadCursorA(nullptr, kSystemHand), detail::ModuleInstance());
    return hand;
}

TControl::~TControl() {
    // A window gone with its form's was forgotten then (WindowGone).
    if (hwnd_ && FromHandle(hwnd_) == this) {
        Controls().Unbind(hwnd_);
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
}

void TControl::WindowGone() {
    if (hwnd_ && FromHandle(hwnd_) == this) Controls().Unbind(hwnd_);
    hwnd_ = nullptr;
}

TControl* TControl::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return Controls().Find(hwnd);
}

void TControl::Place(TForm* form, const ControlLayout& row) {
    form_ = form;
    parent_ = row.parent;
    left_ = row.left;
    top_ = row.top;
    width_ = row.width;
    height_ = row.height;
    options_ = row.options;
    tabOrder_ = row.tabOrder;
    visible_ = (row.options & coHidden) == 0;
    if (row.text && *row.text) text_ = row.text;
    if (row.font) {
        font_ = *row.font;
        fontSet_ = true;
    } else if (!fontSet_) {
        font_ = parent_ ? parent_->Font() : form->Font();
    }
    if (row.fontColor != clDefault) font_.color = row.fontColor;
    if (row.color != clDefault) color_ = row.color;
}

void TControl::CreateWindowNow(HWND parentWindow, int id, bool raise) {
    RebuildFont();
    hwnd_ = CreateHandle(parentWindow, id);
    if (!hwnd_) throw Error("Cannot create a control window");
    Controls().Bind(hwnd_, this);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    if (raise) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AfterCreate();
}

HWND TControl::CreateOwnClass(const char* className, DWORD style, DWORD exStyle, HWND parentWindow, int id) {
    RegisterOwnClass(className, &TControl::OwnClassProc);
    DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
    return CreateWindowExA(exStyle, className, text_.c_str(), common | style, left_, top_, width_, height_,
                           parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), detail::ModuleInstance(), this);
}

LRESULT CALLBACK TControl::OwnClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        Controls().Bind(hwnd, static_cast<TControl*>(cs->lpCreateParams));
    }
    TControl* control = FromHandle(hwnd);
    if (msg == WM_NCDESTROY) {
        Controls().Unbind(hwnd);
        if (control) control->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    // No C++ exception may cross the system's frames: report it here.
    try {
        LRESULT result = 0;
        if (control && control->Message(msg, wp, lp, result)) return result;
    } catch (const std::exception& e) {
        Application::Instance().HandleException(e);
        return 0;
    } catch (...) {
        Application::Instance().HandleUnknownException();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool TControl::ContainerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_COMMAND:
        if (TControl* c = lp ? FromHandle(reinterpret_cast<HWND>(lp)) : nullptr) {
            c->Command(HIWORD(wp));
            result = 0;
            return true;
        }
        return false;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (TControl* c = FromHandle(reinterpret_cast<HWND>(lp))) {
            if (HBRUSH brush = c->ControlColor(reinterpret_cast<HDC>(wp))) {
                result = reinterpret_cast<LRESULT>(brush);
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

void TControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (hwnd_) {
        // No copied bits: a see-through control must repaint what lies beneath its new place.
        SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

void TControl::SetVisible(bool visible) {
    visible_ = visible;
    if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void TControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

void TControl::SetText(const std::string& text) {
    text_ = text;
    if (hwnd_) SetWindowTextA(hwnd_, text_.c_str());
    AfterTextChange();
}

void TControl::RebuildFont() {
    fontHandle_.reset(CreateFontFrom(font_));
    if (hwnd_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), TRUE);
    FontChanged();
}

void TControl::SetFont(const TFont& font) {
    font_ = font;
    fontSet_ = true;
    RebuildFont();
}

void TControl::SetFontColor(TColor color) {
    font_.color = color;
    fontSet_ = true;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TControl::SetFontStyle(bool bold, bool underline) {
    if (font_.bold == bold && font_.underline == underline && fontHandle_) return;
    font_.bold = bold;
    font_.underline = underline;
    fontSet_ = true;
    RebuildFont();
}

void TControl::SetFontName(const std::string& name) {
    font_.name = name;
    fontSet_ = true;
    RebuildFont();
}

void TControl::SetFontHeight(int height) {
    font_.height = height;
    fontSet_ = true;
    RebuildFont();
}

void TControl::ScaleFont(int numerator, int denominator) {
    font_.height = MulDiv(font_.height, numerator, denominator);
    if (hwnd_) RebuildFont();
}

void TControl::SetColor(TColor color) {
    color_ = color;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

char TControl::Accelerator() const { return AcceleratorOf(text_); }

COLORREF TControl::EffectiveColor() const {
    if (color_ != clDefault) return ToColorRef(color_);
    if (parent_) return parent_->EffectiveColor();
    return ToColorRef(form_ ? form_->Color() : clBtnFace);
}

void TControl::PaintBackground(HDC dc) const {
    RECT own{left_, top_, left_ + width_, top_ + height_};
    POINT old{};
    OffsetViewportOrgEx(dc, -left_, -top_, &old);
    COLORREF back = parent_ ? parent_->EffectiveColor() : ToColorRef(form_ ? form_->Color() : clBtnFace);
    rs::unique_gdiobj brush(CreateSolidBrush(back));
    FillRect(dc, &own, static_cast<HBRUSH>(brush.get()));
    if (form_) {
        for (TControl* c : form_->Controls()) {
            if (c == this) break;
            auto* image = dynamic_cast<TImage*>(c);
            if (image && image->parent_ == parent_ && image->visible_) image->DrawInto(dc, own);
        }
    }
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

// The toolkit's own painted controls: cursor, painting without erasing
// first (no flicker), pointer movement.
bool TControl::DrawnControlMessage(UINT msg, WPARAM /*wp*/, LPARAM lp, LRESULT& result) {
    switch (msg) {
    case WM_SETCURSOR:
        if (!(options_ & coHandCursor) || LOWORD(lp) != HTCLIENT) return false;
        SetCursor(HandCursor());
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        Paint(dc);
        EndPaint(hwnd_, &ps);
        return true;
    }
    case WM_MOUSEMOVE:
        if (OnMouseMove) OnMouseMove(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
        return true;
    default:
        return false;
    }
}

}  // namespace tk
