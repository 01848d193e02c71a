// Ends a program of the toolkit with two forms and their controls alive, the
// two ways the setup program can: std::exit inside a handler
// ("exit-in-handler", as after a platform's own installer) or a return from
// the entry point without releasing them ("return-with-forms", as after a
// start-up error). The runtime's exit procedures then destroy the forms;
// each adds "form gone" to the report file named second. A window list used
// after its end adds a line saying so and ends the run at once with exit
// code 3. (A file, not the standard output: the Wine desktop process that
// the first window starts would keep a pipe open.)
#include <windows.h>

#include <cstdlib>
#include <string>

#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/window_map.h"

namespace {

std::string reportPath;

void Report(const char* line) {
    HANDLE h = CreateFileA(reportPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, line, static_cast<DWORD>(std::string(line).size()), &written, nullptr);
    CloseHandle(h);
}

tk::FormDesign EndDesign() {
    tk::FormDesign d;
    d.className = "TEndForm";
    d.width = 200;
    d.height = 100;
    return d;
}

class EndForm : public tk::TForm {
public:
    EndForm() : tk::TForm(EndDesign()) {
        Layout({
            {.control = &Text, .left = 10, .top = 10, .width = 100, .height = 20, .text = "Text"},
            {.control = &Button, .left = 10, .top = 40, .width = 75, .height = 25, .text = "&OK"},
        });
        OnKeyPress = [](char) { std::exit(0); };
    }
    ~EndForm() override { Report("form gone\n"); }

    tk::TLabel Text;
    tk::TButton Button;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string way = argv[1];
    reportPath = argv[2];
    tk::detail::listUsedAfterEnd = [] {
        Report("window list used after its end\n");
        TerminateProcess(GetCurrentProcess(), 3);
    };
    tk::Application& app = tk::App();
    app.Initialize();
    EndForm* first = nullptr;
    EndForm* second = nullptr;
    app.CreateForm(first);
    app.CreateForm(second);
    if (way == "exit-in-handler") {
        PostMessageA(first->Handle(), WM_CHAR, 'x', 0);
        app.Run();  // its key handler ends the process
    }
    return way == "return-with-forms" ? 0 : 2;
}
