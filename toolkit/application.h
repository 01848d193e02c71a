// The application object: creation order (the first form created is the
// main form), the message loop, the deferred end request and the report of
// an escaped exception. Its own window, titled with the application's title,
// owns every form and gives the program its one task bar entry; it is shown
// while the main form is.
#pragma once
#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace tk {

class TForm;
using Form = TForm;

class Application {
public:
    static Application& Instance();
    // Destroys the forms, the main form last, while the application object
    // is still whole: their windows' procedures may still ask it.
    ~Application();

    // Makes the application window (once).
    void Initialize();
    // The application window (class "TApplication"), or nullptr before
    // Initialize: the owner of every form.
    HWND Handle() const { return handle_; }

    // Creates a form of type F into ref; the first one becomes the main form.
    // The application owns the forms until the program ends.
    template <typename F>
    void CreateForm(F*& ref) {
        auto form = std::make_unique<F>();
        ref = form.get();
        AddForm(std::move(form));
        ref->Create();
    }

    // As CreateForm, but the form's window (and its OnCreate) is made by Run
    // right after the main form is shown, before the first message is
    // handled: the main window shows sooner, and no input can reach the
    // program before every form exists. Never the first form.
    template <typename F>
    void CreateFormAfterShow(F*& ref) {
        auto form = std::make_unique<F>();
        ref = form.get();
        AddForm(std::move(form));
        afterShow_.push_back(ref);
    }

    // Shows the main form, makes the windows of the forms created after
    // show, and pumps messages until the end is requested; then destroys
    // every form, the main form last. A run that nobody watches may keep
    // the main form hidden and start its work (`started`) once the forms
    // exist and the shown ones have painted.
    void Run(bool showMainForm = true, void (*started)() = nullptr);

    // Requests the end of the program: takes effect once the running handler
    // has returned, and also ends any running modal loop.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Handles every pending window message, then returns.
    void ProcessMessages();
    // Keeps handling window messages until `ms` milliseconds have passed on
    // the system tick count (unsigned arithmetic: safe across its wrap).
    void ProcessMessagesFor(std::uint32_t ms);
    // Waits for and handles one message (modal loops use it).
    void HandleMessage();

    // The standard report of an escaped exception: an error box with the
    // message, captioned with the application's title.
    void HandleException(const std::exception& e);
    void HandleUnknownException();
    // The error box of that report. A program may route its reports
    // elsewhere (SetExceptionReport); by default each shows this box.
    void ShowExceptionBox(const std::string& text);
    void SetExceptionReport(void (*report)(const std::string& text)) { exceptionReport_ = report; }

    // The executable's file name without its extension.
    std::string Title() const;

    TForm* MainForm() const { return mainForm_; }
    HWND MainWindow() const;
    const std::vector<std::unique_ptr<TForm>>& Forms() const { return forms_; }

    // Destroys the windows of every form, the main form last, then the
    // application window.
    void ReleaseForms();
    // --- used by the forms ---
    // The main form was shown or hidden: the task bar entry follows it.
    void MainFormShown(bool shown);
    // The main form's minimise box minimises the application window, which
    // hides the forms it owns; its task bar entry brings them back.
    void Minimize();
    // Drops every form and the end request: tests run several programs' worth
    // of forms and loops in one process.
    void ResetForTests();

private:
    void AddForm(std::unique_ptr<TForm> form);
    bool Dispatch(MSG& msg);  // false once WM_QUIT arrives

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    std::vector<std::unique_ptr<TForm>> forms_;
    std::vector<TForm*> afterShow_;
    HWND handle_ = nullptr;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    void (*exceptionReport_)(const std::string& text) = nullptr;
};

inline Application& App() { return Application::Instance(); }

}  // namespace tk
