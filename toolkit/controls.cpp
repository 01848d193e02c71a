#include "toolkit/controls.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/layout_rules.h"

namespace tk {

namespace {

const char kControlProp[] = "tk.control";

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

void RegisterOwnClass(const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(Instance(), name, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Error(std::string("Cannot register window class ") + name);
    }
}

// A memory bitmap to paint into, copied to the window in one go.
class BufferedPaint {
public:
    BufferedPaint(HDC target, int width, int height)
        : target_(target), width_(width), height_(height), dc_(CreateCompatibleDC(target)),
          bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)) {
        old_ = SelectObject(dc_, bitmap_.get());
    }
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    ~BufferedPaint() {
        BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC target_;
    int width_, height_;
    HDC dc_;
    rs::unique_gdiobj bitmap_;
    HGDIOBJ old_;
};

// A memory DC with one bitmap selected, restored on the way out.
class SelectedBitmap {
public:
    SelectedBitmap(HDC like, HGDIOBJ bitmap) : dc_(CreateCompatibleDC(like)), old_(SelectObject(dc_, bitmap)) {}
    SelectedBitmap(const SelectedBitmap&) = delete;
    SelectedBitmap& operator=(const SelectedBitmap&) = delete;
    ~SelectedBitmap() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

// ---- TControl ----

TControl::~TControl() {
    // A system control's window may already be gone with its parent: only a
    // window that still names this control is destroyed.
    if (hwnd_ && IsWindow(hwnd_) && FromHandle(hwnd_) == this) {
        RemovePropA(hwnd_, kControlProp);
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
}

TControl* TControl::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<TControl*>(GetPropA(hwnd, kControlProp));
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

void TControl::CreateWindowNow(HWND parentWindow, int id) {
    RebuildFont();
    hwnd_ = CreateHandle(parentWindow, id);
    if (!hwnd_) throw Error("Cannot create a control window");
    SetPropA(hwnd_, kControlProp, this);
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
    // Later controls lie above earlier ones.
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    AfterCreate();
}

HWND TControl::CreateOwnClass(const char* className, DWORD style, DWORD exStyle, HWND parentWindow, int id) {
    RegisterOwnClass(className, &TControl::OwnClassProc);
    DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
    return CreateWindowExA(exStyle, className, text_.c_str(), common | style, left_, top_, width_, height_,
                           parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), this);
}

LRESULT CALLBACK TControl::OwnClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetPropA(hwnd, kControlProp, cs->lpCreateParams);
    }
    TControl* control = FromHandle(hwnd);
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kControlProp);
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
        SetCursor(LoadCursor(nullptr, IDC_HAND));
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

// ---- TLabel ----

HWND TLabel::CreateHandle(HWND parentWindow, int id) {
    if (options_ & coAutoSize) Resize();
    return CreateOwnClass("TLabel", 0, 0, parentWindow, id);
}

void TLabel::AfterCreate() {
    if (options_ & coAutoSize) Resize();
}

UINT TLabel::DrawFlags() const { return DT_EXPANDTABS | ((options_ & coCenter) ? DT_CENTER : DT_LEFT); }

void TLabel::Resize() {
    if (!(options_ & coAutoSize)) return;
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
    BufferedPaint buffer(target, width_, height_);
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

// ---- TMemo ----

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
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
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

// ---- TButton ----

HWND TButton::CreateHandle(HWND parentWindow, int id) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP | BS_PUSHBUTTON;
    if (visible_) style |= WS_VISIBLE;
    if (!enabled_) style |= WS_DISABLED;
    return CreateWindowExA(0, "BUTTON", text_.c_str(), style, left_, top_, width_, height_, parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
}

void TButton::Command(WORD code) {
    if (code == BN_CLICKED && OnClick) OnClick();
}

// ---- TImage ----

void TImage::LoadPicture(const char* resourceName) {
    HANDLE loaded = LoadImageA(Instance(), resourceName, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!loaded) throw Error(std::string("Cannot load the picture ") + resourceName);
    SetPicture(static_cast<HBITMAP>(loaded));
}

void TImage::SetPicture(HBITMAP bitmap) {
    bitmap_.reset(bitmap);
    BITMAP bm{};
    GetObjectA(bitmap_.get(), sizeof(bm), &bm);
    picWidth_ = bm.bmWidth;
    picHeight_ = bm.bmHeight;
    mask_.reset();
    punched_.reset();
    if (options_ & coTransparent) BuildMask();
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// The see-through colour is the picture's bottom-left pixel. The mask holds 1
// there; the punched copy has those pixels black, so that AND with the mask
// and OR with the copy draws the rest over any background.
void TImage::BuildMask() {
    HDC screen = GetDC(nullptr);
    SelectedBitmap picture(screen, bitmap_.get());
    COLORREF key = GetPixel(picture.dc(), 0, picHeight_ - 1);

    mask_.reset(CreateBitmap(picWidth_, picHeight_, 1, 1, nullptr));
    SelectedBitmap mask(screen, mask_.get());
    SetBkColor(picture.dc(), key);
    BitBlt(mask.dc(), 0, 0, picWidth_, picHeight_, picture.dc(), 0, 0, SRCCOPY);

    punched_.reset(CreateCompatibleBitmap(screen, picWidth_, picHeight_));
    SelectedBitmap punched(screen, punched_.get());
    BitBlt(punched.dc(), 0, 0, picWidth_, picHeight_, picture.dc(), 0, 0, SRCCOPY);
    SetBkColor(punched.dc(), RGB(0, 0, 0));
    SetTextColor(punched.dc(), RGB(255, 255, 255));
    BitBlt(punched.dc(), 0, 0, picWidth_, picHeight_, mask.dc(), 0, 0, SRCAND);
    ReleaseDC(nullptr, screen);
}

void TImage::DrawInto(HDC dc, const RECT& rect) const {
    if (!bitmap_) return;
    RECT shown{left_, top_, left_ + std::min(width_, picWidth_), top_ + std::min(height_, picHeight_)};
    RECT part;
    if (!IntersectRect(&part, &shown, &rect)) return;
    int w = part.right - part.left, h = part.bottom - part.top;
    int sx = part.left - left_, sy = part.top - top_;
    if (mask_ && punched_) {
        SelectedBitmap mask(dc, mask_.get());
        SelectedBitmap punched(dc, punched_.get());
        COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
        COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
        BitBlt(dc, part.left, part.top, w, h, mask.dc(), sx, sy, SRCAND);
        BitBlt(dc, part.left, part.top, w, h, punched.dc(), sx, sy, SRCPAINT);
        SetBkColor(dc, oldBk);
        SetTextColor(dc, oldText);
    } else {
        SelectedBitmap picture(dc, bitmap_.get());
        BitBlt(dc, part.left, part.top, w, h, picture.dc(), sx, sy, SRCCOPY);
    }
}

HWND TImage::CreateHandle(HWND parentWindow, int id) { return CreateOwnClass("TImage", 0, 0, parentWindow, id); }

void TImage::Paint(HDC target) {
    BufferedPaint buffer(target, width_, height_);
    HDC dc = buffer.dc();
    bool covers = !(options_ & coTransparent) && picWidth_ >= width_ && picHeight_ >= height_;
    if (!covers) PaintBackground(dc);
    POINT old{};
    OffsetViewportOrgEx(dc, -left_, -top_, &old);
    RECT own{left_, top_, left_ + width_, top_ + height_};
    DrawInto(dc, own);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

bool TImage::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (DrawnControlMessage(msg, wp, lp, result)) return true;
    if (msg == WM_LBUTTONUP && OnClick) {
        OnClick();
        return true;
    }
    return false;
}

// ---- TPanel ----

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

// ---- TProgressBar ----

HWND TProgressBar::CreateHandle(HWND parentWindow, int id) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    if (visible_) style |= WS_VISIBLE;
    return CreateWindowExA(0, PROGRESS_CLASSA, "", style, left_, top_, width_, height_, parentWindow,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
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
