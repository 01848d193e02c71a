// The form base class: a top-level window built from a design record and a
// layout table (each window's controls in one table, pixels as given), with
// its event handlers, plain and modal showing, and its timers.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/graphics.h"

namespace tk {

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

enum class BorderStyle { Single, Sizeable };

enum BorderIcon : unsigned {
    biSystemMenu = 1u << 0,  // with the close box
    biMinimize = 1u << 1,
    biMaximize = 1u << 2,
};

struct FormDesign {
    const char* className = "TForm";  // the window class, e.g. "TSetupForm"
    int width = 0, height = 0;        // client size or outer size, see clientSize
    bool clientSize = true;
    BorderStyle border = BorderStyle::Single;
    unsigned borderIcons = biSystemMenu | biMinimize | biMaximize;
    TColor color = clBtnFace;
    const char* caption = "";
    const char* icon = nullptr;  // icon resource name; nullptr: the system's
    TFont font;
    // Designed at 96 dpi; true: the whole layout (sizes, places, font heights)
    // is rescaled when the screen's dpi differs. False: plain pixels always.
    bool scaled = false;
    // Made where centring puts it: a form whose show handler centres it is
    // then not moved once its window exists.
    bool centered = false;
};

class TForm;

// A window timer owned by a form: fires OnTimer through WM_TIMER while a
// message loop runs; exceptions from OnTimer are reported and the loop goes on.
class TTimer {
public:
    explicit TTimer(TForm& owner, UINT interval = 1000);
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;
    ~TTimer();

    UINT Interval() const { return interval_; }
    void SetInterval(UINT interval);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    Event<void()> OnTimer;

    // --- used by the form ---
    UINT_PTR Id() const { return id_; }
    void Apply();  // (re)arms or stops the system timer as Enabled says

private:
    TForm& owner_;
    UINT interval_;
    bool enabled_ = false;
    bool running_ = false;
    UINT_PTR id_;
};

class TForm {
public:
    explicit TForm(const FormDesign& design);
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;
    virtual ~TForm();

    // Builds the window (hidden) and its controls from the layout table, then
    // runs OnCreate.
    virtual void Create();

    HWND Handle() const { return hwnd_; }
    const FormDesign& Design() const { return design_; }

    // Shows the window (OnShow runs first, so it may place the window).
    void Show();
    void Hide();
    bool Visible() const;
    void Enable() { SetEnabled(true); }
    void Disable() { SetEnabled(false); }
    void SetEnabled(bool enabled);

    // Shows the window modally: the program's other windows take no input
    // until ModalResult is set non-zero, the close box is used (mrCancel) or
    // the end of the program is requested (mrCancel).
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool IsModal() const { return modal_; }

    std::string Caption() const;
    void SetCaption(const std::string& caption);

    // Outer size and place.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);
    void SetWidth(int width);
    // Client area size.
    int ClientWidth() const;
    int ClientHeight() const;
    // Centres the outer window on the primary screen.
    void CenterOnScreen();

    TColor Color() const { return design_.color; }
    const TFont& Font() const { return design_.font; }

    Event<void()> OnCreate;
    Event<void()> OnShow;
    Event<void(char key)> OnKeyPress;  // a character typed while the form itself has focus
    Event<void()> OnDestroy;

    // Destroys the window (OnDestroy runs); used at program end.
    void Destroy();

    // --- used by the toolkit ---
    static TForm* FromHandle(HWND hwnd);
    const std::vector<TControl*>& Controls() const { return controls_; }
    // Keyboard handling before dispatch: Tab moves the focus, a button's
    // accelerator letter presses it. True when the message was consumed.
    bool PreTranslate(const MSG& msg);
    void RegisterTimer(TTimer* timer);
    void UnregisterTimer(TTimer* timer);

protected:
    // The layout table; set in the derived form's constructor.
    void Layout(std::vector<ControlLayout> table) { layout_ = std::move(table); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    void RegisterClassOnce();
    bool IsMain() const;
    void FocusFirst();
    void MoveFocus(bool forward);
    void PressAccelerator(char key, bool* pressed);
    void AlignClientControls();
    void MakeControlsOnShow();

    FormDesign design_;
    std::vector<ControlLayout> layout_;
    std::vector<TControl*> controls_;
    struct PendingControl {
        TControl* control;
        int id;
    };
    void MakeControls(const std::vector<PendingControl>& pending);
    // The window a control's window goes into: its panel's, or the form's.
    HWND ContainerWindow(const TControl& control) const;
    std::vector<PendingControl> madeOnShow_;
    std::vector<TTimer*> timers_;
    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    int modalResult_ = mrNone;
    bool modal_ = false;
    rs::unique_gdiobj brush_;
};

}  // namespace tk
