// Entry point: the three windows in their fixed order, then the message loop.
#include <windows.h>

#include "toolkit/application.h"
#include "toolkit/error.h"
#include "ui/dialog_form.h"
#include "ui/license_form.h"
#include "ui/setup_form.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    tk::Application& app = tk::Application::Instance();
    try {
        app.Initialize();
        app.CreateForm(rs::SetupForm);  // first: the main window
        // Their windows are made once the setup window shows, still in this
        // order and before any input is handled.
        app.CreateFormAfterShow(rs::LicenseForm);
        app.CreateFormAfterShow(rs::DialogForm);
        app.Run();
    } catch (const tk::Error& e) {
        app.HandleException(e);
    }
    return 0;
}
