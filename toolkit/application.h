// The application object: creation order (the first form created is the
// main form), the message loop, the deferred end request and the report of
// an escaped exception.
#pragma once
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace tk {

class Form;

class Application {
public:
    static Application& Instance();

    void Initialize();

    // Creates a form of type F into ref; the first one becomes the main form.
    template <typename F>
    void CreateForm(F*& ref) {
        ref = new F();
        AddForm(ref);
        ref->Create();
    }

    // Shows the main form and pumps messages until the end is requested.
    void Run();

    // Requests the end of the program: takes effect once the running handler
    // has returned, and also ends any running modal loop.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Handles every pending window message, then returns.
    void ProcessMessages();

    // The standard report of an escaped exception: an error box with the
    // message, captioned with the application's title.
    void HandleException(const std::exception& e);

    // The executable's file name without its extension.
    std::string Title() const;

    Form* MainForm() const { return mainForm_; }
    HWND MainWindow() const;

private:
    void AddForm(Form* form);
    bool HandleMessage(MSG& msg);  // false once WM_QUIT arrives

    std::vector<Form*> forms_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
};

}  // namespace tk
