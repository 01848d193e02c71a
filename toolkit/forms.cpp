// The form: its window and controls made from the design and layout table,
// plain and modal showing, its place and size, and its window procedure.
// Its timers are in form_timers.cpp, its keyboard in form_focus.cpp.
#include "toolkit/forms.h"

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/error.h"
#include "toolkit/layout_rules.h"
#include "toolkit/window_map.h"

namespace tk {

namespace {

detail::WindowMap<TForm>& Forms() {
    return detail::ListOf<TForm>();
}

constexpr int kDesignDpi = 96;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

DWORD StyleFor(const FormDesign& d) {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (d.border == BorderStyle::Sizeable) style |= WS_THICKFRAME;
    if (d.borderIcons & biSystemMenu) {
        style |= WS_SYSMENU;
        if (d.borderIcons & biMinimize) style |= WS_MINIMIZEBOX;
        if (d.borderIcons & biMaximize) style |= WS_MAXIMIZEBOX;
    }
    return style;
}

struct DisabledWindows {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM lp) {
    auto* d = reinterpret_cast<DisabledWindows*>(lp);
    if (hwnd != d->except && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        d->windows.push_back(hwnd);
    }
    return TRUE;
}

// The program's other windows take no input while a form is modal; the
// guard gives it back on every way out.
class ModalScope {
public:
    explicit ModalScope(HWND modal) : active_(GetActiveWindow()) {
        state_.except = modal;
        EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&state_));
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    ~ModalScope() {
        for (HWND h : state_.windows) {
            if (IsWindow(h)) EnableWindow(h, TRUE);
        }
        if (active_ && IsWindow(active_) && IsWindowVisible(active_)) SetActiveWindow(active_);
    }

private:
    DisabledWindows state_;
    HWND active_;
};

}  // namespace

TForm::TForm(const FormDesign& design) : design_(design) {}

TForm::~TForm() {
    // The derived form's members are gone by now: no handler may run.
    OnCreate = nullptr;
    OnShow = nullptr;
    OnKeyPress = nullptr;
    OnDestroy = nullptr;
    controls_.clear();  // gone with the derived form's members
    if (hwnd_) {
        Forms().Unbind(hwnd_);
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
    }
}

TForm* TForm::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return Forms().Find(hwnd);
}

void TForm::RegisterClassOnce() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(inst, design_.className, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TForm::Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    if (design_.icon) {
        const ClassIcons icons = SharedClassIcons(inst, design_.icon);
        wc.hIcon = icons.large;
        wc.hIconSm = icons.small;
    } else {
        wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    }
    wc.lpszClassName = design_.className;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Error(std::string("Cannot register window class ") + design_.className);
    }
}

void TForm::Create() {
    if (hwnd_) return;
    RegisterClassOnce();
    brush_.reset(CreateSolidBrush(ToColorRef(design_.color)));
    const int dpi = design_.scaled ? ScreenDpi() : kDesignDpi;
    auto scale = [dpi](int v) { return dpi == kDesignDpi ? v : MulDiv(v, dpi, kDesignDpi); };
    design_.width = scale(design_.width);
    design_.height = scale(design_.height);
    design_.font.height = scale(design_.font.height);

    DWORD style = StyleFor(design_);
    DWORD exStyle = 0;
    int width = design_.width, height = design_.height;
    if (design_.clientSize) {
        RECT rc{0, 0, width, height};
        AdjustWindowRectEx(&rc, style, FALSE, exStyle);
        width = rc.right - rc.left;
        height = rc.bottom - rc.top;
    }
    // Every form is owned by the application window: the program has its
    // one task bar entry, and no form one of its own.
    HWND owner = Application::Instance().Handle();
    Point at{0, 0};
    if (design_.centered) {
        at = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
    }
    HWND created = CreateWindowExA(exStyle, design_.className, design_.caption, style, at.x, at.y, width, height, owner,
                                   nullptr, GetModuleHandleA(nullptr), this);
    if (!created) throw Error("Cannot create the window");

    int id = 100;
    madeOnShow_.clear();
    std::vector<PendingControl> madeNow;
    for (ControlLayout row : layout_) {
        if (!row.control) continue;
        row.left = scale(row.left);
        row.top = scale(row.top);
        row.width = scale(row.width);
        row.height = scale(row.height);
        row.control->Place(this, row);
        if (row.font && dpi != kDesignDpi) row.control->ScaleFont(dpi, kDesignDpi);
        if (row.picture) {
            if (auto* image = dynamic_cast<TImage*>(row.control)) image->LoadPicture(row.picture);
        }
        (row.control->MadeOnShow() ? madeOnShow_ : madeNow).push_back({row.control, id++});
        controls_.push_back(row.control);
    }
    AlignClientControls();
    for (TTimer* t : timers_) t->Apply();
    // The creation handler sets texts and places before the controls' windows
    // exist: each window is made once, with its final text and size.
    if (OnCreate) OnCreate();
    MakeControls(madeNow);
}

void TForm::MakeControls(const std::vector<PendingControl>& pending) {
    // A new child window goes beneath its siblings: made last to first, each
    // lies above those listed before it with no move of its own. A container
    // (panel) comes before what it holds: one depth of nesting after another.
    auto depth = [](const TControl* c) {
        int d = 0;
        for (const TControl* p = c->Parent(); p; p = p->Parent()) ++d;
        return d;
    };
    for (int level = 0, deepest = 0; level <= deepest; ++level) {
        for (auto it = pending.rbegin(); it != pending.rend(); ++it) {
            const int d = depth(it->control);
            deepest = std::max(deepest, d);
            if (d != level) continue;
            it->control->CreateWindowNow(ContainerWindow(*it->control), it->id, false);
        }
    }
}

HWND TForm::ContainerWindow(const TControl& control) const {
    return control.Parent() ? control.Parent()->Handle() : hwnd_;
}

void TForm::AlignClientControls() {
    if (!hwnd_) return;
    RECT rc;
    GetClientRect(hwnd_, &rc);
    for (TControl* c : controls_) {
        if ((c->Options() & coAlignClient) && !c->Parent()) c->SetBounds(0, 0, rc.right, rc.bottom);
    }
}

void TForm::Show() {
    if (!hwnd_ || IsWindowVisible(hwnd_)) return;
    if (OnShow) OnShow();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    // The application window has no area: its task bar entry may come a
    // moment after the window it stands for.
    if (IsMain()) Application::Instance().MainFormShown(true);
    MakeControlsOnShow();
    UpdateWindow(hwnd_);
}

void TForm::MakeControlsOnShow() {
    std::vector<PendingControl> pending = std::move(madeOnShow_);
    madeOnShow_.clear();
    // Made after the others: placed above them explicitly.
    for (const PendingControl& p : pending) p.control->CreateWindowNow(ContainerWindow(*p.control), p.id, true);
}

void TForm::Hide() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, SW_HIDE);
    if (IsMain()) Application::Instance().MainFormShown(false);
}

bool TForm::IsMain() const { return Application::Instance().MainForm() == this; }

bool TForm::Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }

void TForm::SetEnabled(bool enabled) {
    if (hwnd_) EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

int TForm::ShowModal() {
    if (!hwnd_) throw Error("Cannot show a form without a window");
    if (Visible() || !IsWindowEnabled(hwnd_)) throw Error("Cannot make a visible window modal");
    Application& app = Application::Instance();
    modalResult_ = mrNone;
    modal_ = true;
    {
        ModalScope scope(hwnd_);
        try {
            Show();
            SetActiveWindow(hwnd_);
            while (modalResult_ == mrNone) {
                if (app.Terminated()) {
                    modalResult_ = mrCancel;
                    break;
                }
                app.HandleMessage();
                if (app.Terminated()) modalResult_ = mrCancel;
            }
        } catch (...) {
            modal_ = false;
            Hide();
            throw;
        }
        modal_ = false;
        // Give input back before hiding, so the activation returns to the owner.
    }
    Hide();
    return modalResult_;
}

std::string TForm::Caption() const {
    if (!hwnd_) return design_.caption;
    int len = GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<size_t>(len) + 1, '\0');
    int got = GetWindowTextA(hwnd_, text.data(), len + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void TForm::SetCaption(const std::string& caption) {
    if (hwnd_) SetWindowTextA(hwnd_, caption.c_str());
}

namespace {
RECT OuterRect(HWND hwnd) {
    RECT rc{};
    if (hwnd) GetWindowRect(hwnd, &rc);
    return rc;
}
}  // namespace

int TForm::Left() const { return OuterRect(hwnd_).left; }
int TForm::Top() const { return OuterRect(hwnd_).top; }
int TForm::Width() const {
    RECT rc = OuterRect(hwnd_);
    return rc.right - rc.left;
}
int TForm::Height() const {
    RECT rc = OuterRect(hwnd_);
    return rc.bottom - rc.top;
}

int TForm::ClientWidth() const {
    RECT rc{};
    if (hwnd_) GetClientRect(hwnd_, &rc);
    return rc.right;
}

int TForm::ClientHeight() const {
    RECT rc{};
    if (hwnd_) GetClientRect(hwnd_, &rc);
    return rc.bottom;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    if (hwnd_) SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }

void TForm::CenterOnScreen() {
    Point p = CenteredPosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), Width(), Height());
    if (hwnd_ && (p.x != Left() || p.y != Top())) {
        SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TForm::Destroy() {
    if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT CALLBACK TForm::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TForm*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        Forms().Bind(hwnd, self);
        self->hwnd_ = hwnd;
    }
    TForm* form = FromHandle(hwnd);
    if (!form) return DefWindowProcA(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        Forms().Unbind(hwnd);
        form->hwnd_ = nullptr;
        // The controls' windows are gone before their form's.
        for (TControl* c : form->controls_) c->WindowGone();
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    // No C++ exception may cross the system's frames: report it here and let
    // the message loop go on.
    try {
        return form->WndProc(msg, wp, lp);
    } catch (const std::exception& e) {
        Application::Instance().HandleException(e);
    } catch (...) {
        Application::Instance().HandleUnknownException();
    }
    return 0;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (TControl::ContainerMessage(msg, wp, lp, result)) return result;
    switch (msg) {
    case WM_CLOSE:
        if (modal_) {
            modalResult_ = mrCancel;
        } else if (IsMain()) {
            Application::Instance().Terminate();
        } else {
            Hide();
        }
        return 0;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE && IsMain()) {
            Application::Instance().Minimize();
            return 0;
        }
        return DefWindowProcA(hwnd_, msg, wp, lp);
    case WM_CHAR:
        if (OnKeyPress) OnKeyPress(static_cast<char>(wp));
        return 0;
    case WM_TIMER:
        for (TTimer* t : timers_) {
            if (t->Id() == wp) {
                if (t->OnTimer) t->OnTimer();
                return 0;
            }
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd_, &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, static_cast<HBRUSH>(brush_.get()));
        return 1;
    }
    case WM_ACTIVATE:
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wp)) {
            if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_) &&
                IsWindowEnabled(lastFocus_)) {
                SetFocus(lastFocus_);
            } else {
                FocusFirst();
            }
        }
        return 0;
    case WM_SIZE:
        AlignClientControls();
        return DefWindowProcA(hwnd_, msg, wp, lp);
    case WM_DESTROY:
        if (OnDestroy) OnDestroy();
        return 0;
    default:
        return DefWindowProcA(hwnd_, msg, wp, lp);
    }
}

}  // namespace tk
