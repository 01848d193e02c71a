// Entry point: the three windows in their fixed order, then the message loop.
// A command line with switches (deployment tools) takes switches_run.cpp's
// way; without one the program is what a person double-clicks.
#include <windows.h>

#include <stdlib.h>

#include "entry/switches_run.h"
#include "toolkit/application.h"
#include "toolkit/error.h"
#include "ui/dialog_form.h"
#include "ui/license_form.h"
#include "ui/setup_form.h"

namespace rs {

void RunWindows(bool showSetupWindow, void (*started)()) {
    tk::Application& app = tk::Application::Instance();
    try {
        app.Initialize();
        app.CreateForm(SetupForm);  // first: the main window
        // Their windows are made once the setup window shows, still in this
        // order and before any input is handled.
        app.CreateFormAfterShow(LicenseForm);
        app.CreateFormAfterShow(DialogForm);
        app.Run(showSetupWindow, started);
    } catch (const tk::Error& e) {
        app.HandleException(e);
    }
}

}  // namespace rs

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool anotherRunning = false;
    const rs::unique_handle running = rs::HoldRunningMark(anotherRunning);
    // The C runtime has split the command line; blanks alone give no argument.
    if (__argc > 1) return static_cast<int>(rs::RunWithSwitches(__argc - 1, __argv + 1, anotherRunning));
    rs::RunWindows(true, nullptr);
    return 0;
}
