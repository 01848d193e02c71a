#include "toolkit/application.h"

#include "base/module_path.h"
#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/layout_rules.h"

namespace tk {

Application& Application::Instance() {
    static Application app;
    return app;
}

Application::~Application() {
    while (!forms_.empty()) forms_.pop_back();
}

namespace {
const char kApplicationClass[] = "TApplication";
}  // namespace

void Application::Initialize() {
    if (handle_) return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Application::Proc;
    wc.hInstance = inst;
    // The program's icon by the toolkit's convention, for the task bar entry.
    const ClassIcons icons = SharedClassIcons(inst, "MAINICON");
    wc.hIcon = icons.large ? icons.large : LoadIcon(nullptr, IDI_APPLICATION);
    wc.hIconSm = icons.small;
    wc.lpszClassName = kApplicationClass;
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Error("Cannot register window class TApplication");
    }
    // No size of its own: only its task bar entry shows.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExA(0, kApplicationClass, Title().c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                              nullptr, nullptr, inst, nullptr);
    if (!handle_) throw Error("Cannot create the application window");
}

LRESULT CALLBACK Application::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Application& app = Instance();
    switch (msg) {
    case WM_SETFOCUS: {
        // Activated through its task bar entry: the form last used takes over.
        HWND popup = GetLastActivePopup(hwnd);
        if (popup && popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetFocus(popup);
        return 0;
    }
    case WM_CLOSE:
        // Close from the task bar entry: as the main form's close box.
        if (app.MainWindow()) PostMessageA(app.MainWindow(), WM_CLOSE, 0, 0);
        return 0;
    case WM_DESTROY:
        if (app.handle_ == hwnd) app.handle_ = nullptr;
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
}

void Application::MainFormShown(bool shown) {
    if (handle_) ShowWindow(handle_, shown ? SW_SHOWNA : SW_HIDE);
}

void Application::Minimize() {
    if (handle_) ShowWindow(handle_, SW_MINIMIZE);
}

void Application::AddForm(std::unique_ptr<TForm> form) {
    if (!mainForm_) mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

HWND Application::MainWindow() const { return mainForm_ ? mainForm_->Handle() : nullptr; }

void Application::Run(bool showMainForm, void (*started)()) {
    if (mainForm_ && showMainForm) mainForm_->Show();
    std::vector<TForm*> pending = std::move(afterShow_);
    afterShow_.clear();
    for (TForm* form : pending) form->Create();
    if (started) {
        ProcessMessages();
        started();
    }
    while (!terminated_) HandleMessage();
    ReleaseForms();
}

void Application::ReleaseForms() {
    // The main form goes last, as it was made first.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) (*it)->Destroy();
    if (handle_) DestroyWindow(handle_);
}

void Application::ResetForTests() {
    ReleaseForms();
    forms_.clear();
    afterShow_.clear();
    mainForm_ = nullptr;
    terminated_ = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

void Application::Terminate() {
    terminated_ = true;
    // Wakes a loop that waits for its next message.
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
}

namespace {
// The top-level window a message's window lies in. Walks the parents by
// hand: GetAncestor is missing from Windows 95 and the first NT 4.0 releases.
HWND TopLevelOf(HWND hwnd) {
    while (hwnd && (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) {
        HWND parent = GetParent(hwnd);
        if (!parent) break;
        hwnd = parent;
    }
    return hwnd;
}
}  // namespace

bool Application::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    HWND root = TopLevelOf(msg.hwnd);
    TForm* form = TForm::FromHandle(root);
    if (form && form->PreTranslate(msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void Application::HandleMessage() {
    MSG msg;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) {
        terminated_ = true;
        return;
    }
    if (!got) msg.message = WM_QUIT;
    Dispatch(msg);
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!Dispatch(msg)) break;
    }
}

namespace {
// Every kind of message, in the bits Windows 95 and NT 4.0 know: the
// headers' QS_ALLINPUT also holds QS_RAWINPUT, and systems before XP refuse
// the whole wait for it.
constexpr DWORD kAnyMessage = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
static_assert(kAnyMessage == 0xFF);
}  // namespace

void Application::ProcessMessagesFor(std::uint32_t ms) {
    const std::uint32_t start = GetTickCount();
    for (;;) {
        ProcessMessages();
        const std::uint32_t now = GetTickCount();
        if (TicksElapsed(start, now, ms)) break;
        // Sleeps until a message comes or the time is up, instead of spinning;
        // should the wait fail, a short sleep still leaves the processor free.
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), kAnyMessage) == WAIT_FAILED) Sleep(1);
    }
}

std::string Application::Title() const { return TitleFromModulePath(rs::ModuleFileName()); }

void Application::HandleException(const std::exception& e) {
    const std::string text = ExceptionReportText(e.what());
    if (exceptionReport_) {
        exceptionReport_(text);
    } else {
        ShowExceptionBox(text);
    }
}

void Application::ShowExceptionBox(const std::string& text) {
    const std::string title = Title();
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void Application::HandleUnknownException() { HandleException(Error("Unknown exception")); }

}  // namespace tk
