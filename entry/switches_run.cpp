#include "entry/switches_run.h"

#include <windows.h>

#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "app/texts.h"
#include "base/module_path.h"
#include "base/run_log.h"
#include "toolkit/application.h"
#include "ui/setup_form.h"
#include "ui/setup_pass_rules.h"

namespace rs {
namespace {

constexpr char kGlobalMarkName[] = "Global\\ORVEX-Reader-Setup";
constexpr const char* kMarkName = kGlobalMarkName + 7;

char PathLetter(InstallPath path) { return static_cast<char>('A' + static_cast<int>(path)); }

// The switches and exit codes, after what is wrong with the command line.
void ShowSwitchesBox(const char* problem, const char* argument, UINT icon) {
    const std::string text = std::string(problem) + argument + ToCodePage(txtSwitchesHelp, CP_ACP);
    const std::string caption = ToCodePage(txtSwitchesCaption, CP_ACP);
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

std::string LogPathFor(const SetupSwitches& s) {
    if (s.logPath) return s.logPath;
    if (!Unattended(s)) return std::string();
    char temp[MAX_PATH + 1] = {};
    const DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) return std::string();
    return DefaultLogPath(std::string(temp, n));
}

// The toolkit's report of an escaped exception (a failed shortcut) is a
// question like any other: a box for a person, the log otherwise.
void ReportException(const std::string& text) {
    Outcome().failed = true;
    Ask("Error", u"", IDOK, [&text] {
        tk::App().ShowExceptionBox(text);
        return IDOK;
    }, text.c_str());
}

}  // namespace

unique_handle HoldRunningMark(bool& anotherRunning) {
    // Global: a deployment tool's run as the system account and a person's
    // run in their own session see one mark. Systems without terminal
    // services refuse the prefix; the plain name is theirs.
    unique_handle mark(CreateMutexA(nullptr, FALSE, kGlobalMarkName));
    if (!mark) mark.reset(CreateMutexA(nullptr, FALSE, kMarkName));
    anotherRunning = mark && GetLastError() == ERROR_ALREADY_EXISTS;
    return mark;
}

unsigned RunWithSwitches(int count, const char* const* args, bool anotherRunning) {
    SetSwitches(ParseSwitches(count, args));
    const SetupSwitches& s = Switches();
    const bool quiet = s.mode == RunMode::Quiet;
    if (s.problem || s.help) {
        if (!quiet) {
            ShowSwitchesBox(s.problem ? s.problem : "", s.problem ? s.problemArgument : "",
                            s.problem ? MB_ICONERROR : MB_ICONINFORMATION);
        }
        return s.problem ? exitcode::kBadCommandLine : exitcode::kInstalled;
    }

    const std::string logPath = LogPathFor(s);
    if (!logPath.empty()) runlog::Open(logPath);
    const PlatformCode platform = DetectPlatform();
    const InstallPath path = PathForPlatform(platform);
    runlog::Line("setup.exe started: \"%s\", command line \"%s\", platform %d, path %c", ModuleFileName().c_str(),
                 CommandLineForLog(count, args).c_str(), platform, PathLetter(path));

    if (Unattended(s) && anotherRunning) {
        runlog::Line("another setup.exe is running: nothing done");
        Outcome().alreadyRunning = true;
    } else if (Unattended(s) && (path == InstallPath::A || path == InstallPath::B) && !s.acceptLicense) {
        // Decided before anything is written: without the administrator's
        // acceptance the base components, and so the reader, cannot be installed.
        runlog::Line("the base components' licence needs /acceptlicense: nothing done");
        Outcome().declined = true;
    } else {
        tk::App().SetExceptionReport(&ReportException);
        void (*const unattendedStart)() = [] { SetupForm->RunUnattended(); };
        RunWindows(!quiet, Unattended(s) ? unattendedStart : nullptr);
    }
    return FinishRun();
}

}  // namespace rs
