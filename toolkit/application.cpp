#include "toolkit/application.h"

#include <commctrl.h>

#include "toolkit/error.h"
#include "toolkit/forms.h"
#include "toolkit/layout_rules.h"

namespace tk {

Application& Application::Instance() {
    static Application app;
    return app;
}

void Application::Initialize() { InitCommonControls(); }

void Application::AddForm(std::unique_ptr<TForm> form) {
    if (!mainForm_) mainForm_ = form.get();
    forms_.push_back(std::move(form));
}

HWND Application::MainWindow() const { return mainForm_ ? mainForm_->Handle() : nullptr; }

void Application::Run() {
    if (mainForm_) mainForm_->Show();
    std::vector<TForm*> pending = std::move(afterShow_);
    afterShow_.clear();
    for (TForm* form : pending) form->Create();
    while (!terminated_) HandleMessage();
    ReleaseForms();
}

void Application::ReleaseForms() {
    // The main form goes last, as it was made first.
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) (*it)->Destroy();
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

bool Application::Dispatch(MSG& msg) {
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return false;
    }
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
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

void Application::ProcessMessagesFor(std::uint32_t ms) {
    const std::uint32_t start = GetTickCount();
    for (;;) {
        ProcessMessages();
        const std::uint32_t now = GetTickCount();
        if (TicksElapsed(start, now, ms)) break;
        // Sleeps until a message comes or the time is up, instead of spinning.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - (now - start), QS_ALLINPUT);
    }
}

std::string Application::Title() const {
    std::string path(MAX_PATH, '\0');
    DWORD len = GetModuleFileNameA(nullptr, path.data(), MAX_PATH);
    path.resize(len < MAX_PATH ? len : MAX_PATH);
    return TitleFromModulePath(path);
}

void Application::HandleException(const std::exception& e) {
    std::string text = ExceptionReportText(e.what());
    std::string title = Title();
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void Application::HandleUnknownException() { HandleException(Error("Unknown exception")); }

}  // namespace tk
