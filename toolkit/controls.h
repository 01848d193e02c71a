// Controls as child windows, so that a test robot can read each one's text
// (GetWindowTextW / WM_GETTEXT) and place (GetWindowRect). Properties set
// before the form creates its window are kept and applied at creation.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"
#include "toolkit/event.h"
#include "toolkit/graphics.h"

namespace tk {

class TForm;
class TControl;

// Options of a control in a form's layout table.
enum ControlOption : unsigned {
    coAutoSize = 1u << 0,     // label: grows to fit its text
    coCenter = 1u << 1,       // label: text centred horizontally
    coTransparent = 1u << 2,  // image: the bitmap's bottom-left colour is see-through
    coBorder = 1u << 3,       // memo: sunken border
    coReadOnly = 1u << 4,     // memo
    coVScroll = 1u << 5,      // memo: vertical scroll bar
    coWordWrap = 1u << 6,     // memo: lines wrap at the memo's width
    coTabStop = 1u << 7,      // memo, button: reachable by Tab, focused on show when first
    coHandCursor = 1u << 8,   // label, image: hand pointer
    coAlignClient = 1u << 9,  // panel: fills its parent's client area
    coHidden = 1u << 10,      // created invisible
};

// The pointer over controls with coHandCursor: the system's hand where it
// has one; Windows 95 and NT 4.0 have none, so the toolkit brings its own
// cursor resource (toolkit.rc, linked into every program of the toolkit).
inline constexpr char kOwnHandCursor[] = "TKHANDPOINTER";
HCURSOR HandCursor();
// The choice: the system's hand when there is one, else the module's own.
HCURSOR HandCursorOr(HCURSOR systemHand, HINSTANCE module);

// One row of a form's layout table. Fields left out keep their defaults.
struct ControlLayout {
    TControl* control = nullptr;
    TControl* parent = nullptr;  // a panel; nullptr: the form
    int left = 0, top = 0, width = 0, height = 0;
    unsigned options = 0;            // ControlOption bits
    const char* text = "";           // design-time caption or content
    const TFont* font = nullptr;     // nullptr: the form's font
    TColor fontColor = clDefault;    // clDefault: the font's own colour
    TColor color = clDefault;        // background; clDefault: the parent's (memo: clWindow)
    const char* picture = nullptr;   // TImage: bitmap resource name
    int tabOrder = -1;               // focus order among focusable controls
};

class TControl {
public:
    TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;
    virtual ~TControl();

    HWND Handle() const { return hwnd_; }
    TForm* Form() const { return form_; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }

    bool Visible() const { return visible_; }
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    void SetVisible(bool visible);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // Caption or content, narrow text in the system ANSI code page.
    const std::string& Text() const { return text_; }
    virtual void SetText(const std::string& text);

    const TFont& Font() const { return font_; }
    void SetFont(const TFont& font);
    void SetFontColor(TColor color);
    void SetFontStyle(bool bold, bool underline);
    void SetFontName(const std::string& name);
    void SetFontHeight(int height);
    void ScaleFont(int numerator, int denominator);

    TColor Color() const { return color_; }  // background; clDefault: the parent's
    void SetColor(TColor color);

    unsigned Options() const { return options_; }
    int TabOrder() const { return tabOrder_; }

    // The '&'-marked letter of the caption, upper-cased; 0 when none.
    char Accelerator() const;

    Event<void()> OnClick;
    Event<void(int x, int y)> OnMouseMove;

    // --- used by the form while building and dispatching ---
    void Place(TForm* form, const ControlLayout& row);
    // raise: placed above its siblings; else it lies beneath them, where a
    // new child window goes.
    void CreateWindowNow(HWND parentWindow, int id, bool raise);
    // Its window went with its form's: forgets the handle.
    void WindowGone();
    TControl* Parent() const { return parent_; }
    virtual bool TakesFocus() const { return false; }
    // Made only when its form first shows, right before the form's first
    // paint: for a control whose library would delay the window.
    virtual bool MadeOnShow() const { return false; }
    // WM_COMMAND / WM_CTLCOLOR* sent to the container on behalf of this control.
    virtual void Command(WORD /*code*/) {}
    virtual HBRUSH ControlColor(HDC /*dc*/) { return nullptr; }
    // The control behind a window of ours, or nullptr.
    static TControl* FromHandle(HWND hwnd);
    // What a container (form or panel) does for its child controls:
    // WM_COMMAND and WM_CTLCOLOR*. True when handled.
    static bool ContainerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

protected:
    virtual HWND CreateHandle(HWND parentWindow, int id) = 0;
    virtual void AfterCreate() {}
    virtual void FontChanged() {}
    virtual void AfterTextChange() {}
    // Messages of the toolkit's own window classes; false: default handling.
    virtual bool Message(UINT /*msg*/, WPARAM /*wp*/, LPARAM /*lp*/, LRESULT& /*result*/) { return false; }
    HWND CreateOwnClass(const char* className, DWORD style, DWORD exStyle, HWND parentWindow, int id);
    static LRESULT CALLBACK OwnClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    // Paints what lies beneath this control (its container's colour and the
    // pictures created before it in the same container), in its own client
    // coordinates: how labels and transparent pictures look see-through.
    void PaintBackground(HDC dc) const;
    bool DrawnControlMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    virtual void Paint(HDC /*dc*/) {}
    COLORREF EffectiveColor() const;   // background, resolved through the parents
    HFONT FontHandle() const { return static_cast<HFONT>(fontHandle_.get()); }

    HWND hwnd_ = nullptr;
    TForm* form_ = nullptr;
    TControl* parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    unsigned options_ = 0;
    int tabOrder_ = -1;
    bool visible_ = true;
    bool enabled_ = true;
    bool fontSet_ = false;  // false: the form's font
    std::string text_;
    TFont font_;
    TColor color_ = clDefault;
    rs::unique_gdiobj fontHandle_;

private:
    void RebuildFont();
};

// A text on a transparent background: paints whatever lies beneath it (the
// container's colour, earlier pictures) and then its text. Own window class
// "TLabel"; never takes the focus.
class TLabel : public TControl {
protected:
    HWND CreateHandle(HWND parentWindow, int id) override;
    void FontChanged() override;
    void AfterTextChange() override;

    bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void Resize();
    UINT DrawFlags() const;
    void Paint(HDC dc) override;
    bool pressed_ = false;
};

// Multi-line EDIT; read-only, border, scroll bar, word wrap by options.
class TMemo : public TControl {
public:
    bool TakesFocus() const override { return (options_ & coTabStop) != 0; }
    HBRUSH ControlColor(HDC dc) override;

protected:
    HWND CreateHandle(HWND parentWindow, int id) override;

private:
    rs::unique_gdiobj brush_;
    COLORREF brushColor_ = 0;
};

// Push button; its '&' letter presses it (see the form's key handling).
class TButton : public TControl {
public:
    bool TakesFocus() const override { return true; }
    void Command(WORD code) override;

protected:
    HWND CreateHandle(HWND parentWindow, int id) override;
};

// A bitmap resource at its natural size from the top-left corner, cut at the
// control's edges. Own window class "TImage"; never takes the focus.
class TImage : public TControl {
public:
    // Loads the bitmap resource by name (before or after creation).
    void LoadPicture(const char* resourceName);
    // Takes over a bitmap as the picture.
    void SetPicture(HBITMAP bitmap);
    // Draws the part of the picture that falls into `rect` (container coordinates).
    void DrawInto(HDC dc, const RECT& rect) const;
    int PictureWidth() const { return picWidth_; }
    int PictureHeight() const { return picHeight_; }

protected:
    HWND CreateHandle(HWND parentWindow, int id) override;
    bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    void Paint(HDC dc) override;

private:
    void BuildMask();
    rs::unique_gdiobj bitmap_;
    rs::unique_gdiobj mask_;       // 1 where see-through
    rs::unique_gdiobj punched_;    // picture with see-through pixels black
    int picWidth_ = 0, picHeight_ = 0;
};

// A plain container without bevel; paints its colour (the parent's unless set).
class TPanel : public TControl {
protected:
    HWND CreateHandle(HWND parentWindow, int id) override;
    bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
};

// Native progress bar (msctls_progress32). The common controls library it
// comes from is loaded with its first window, so loading it does not delay
// the first window of the program; its window is made when its form shows.
class TProgressBar : public TControl {
public:
    void SetRange(int min, int max);
    void SetPosition(int position);
    int Position() const { return position_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    bool MadeOnShow() const override { return true; }

protected:
    HWND CreateHandle(HWND parentWindow, int id) override;
    void AfterCreate() override;

private:
    int min_ = 0, max_ = 100, position_ = 0;
};

}  // namespace tk
