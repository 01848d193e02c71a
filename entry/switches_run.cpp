#include "entry/switches_run.h"

#include <windows.h>

#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "app/texts.h"
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
void ShowSwitchesBox(const SetupSwitches& s) {
    std::string text = s.problem ? s.problem : "";
    text += s.problemArgument;
    text += ToCodePage(txtSwitchesHelp, CP_ACP);
    MessageBoxA(nullptr, text.c_str(), ToCodePage(txtSwitchesCaption, CP_ACP).c_str(),
                MB_OK | (s.problem ? MB_ICONERROR : MB_ICONINFORMATION));
}

// The log named on the command line, or an unattended run's default one.
void OpenLog(const SetupSwitches& s) {
    if (s.logPath) {
        runlog::Open(s.logPath);
    } else if (Unattended(s)) {
        char path[MAX_PATH + 1 + 17];
        const DWORD n = GetTempPathA(MAX_PATH + 1, path);
        if (n == 0 || n > MAX_PATH) return;
        DefaultLogPath(path, n);
        runlog::Open(path);
    }
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
        if (!quiet) ShowSwitchesBox(s);
        return s.problem ? exitcode::kBadCommandLine : exitcode::kInstalled;
    }

    OpenLog(s);
    const PlatformCode platform = DetectPlatform();
    const InstallPath path = PathForPlatform(platform);
    // The log's line holds 1024 characters at the most: so do these.
    char module[1025], commandLine[1025];
    const DWORD n = GetModuleFileNameA(nullptr, module, sizeof module);
    module[n < sizeof module ? n : sizeof module - 1] = '\0';
    CommandLineForLog(count, args, commandLine, sizeof commandLine);
    runlog::Line("setup.exe started: \"%s\", command line \"%s\", platform %d, path %c", module, commandLine, platform,
                 PathLetter(path));

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
