#include "install/binding.h"

#include "app/language.h"
#include "app/run_context.h"
#include "base/handles.h"
#include "base/module_path.h"
#include "base/run_log.h"
#include "base/sent_messages.h"
#include "base/system_api.h"
#include "install/binding_rules.h"
#include "install/driver_staging.h"
#include "install/system_restart.h"
#include "pnpbind/pnpbind.h"
#include "toolkit/application.h"

namespace rs {

namespace {

constexpr DWORD kForceInstall = 1;
constexpr DWORD kNonInteractive = 4;  // no interface: nobody is there to answer it
constexpr DWORD kNoSuchDevice = 0xE000020B;  // ERROR_NO_SUCH_DEVINST: no reader plugged in

// A run nobody watches after its one attempt: with no reader plugged in the
// driver is staged, so that Windows installs it when a reader first comes.
// A failed staging has logged its failed step.
bool BindLater(const std::string& infPath, DWORD error) {
    if (error == kNoSuchDevice) {
        if (!StageDriverPackage(infPath)) return false;
        Outcome().stagedOnly = true;
        return true;
    }
    runlog::Step(false, error, error == ERROR_ACCESS_DENIED ? "binding: administrator rights needed"
                                                              : "binding \"%s\"", infPath.c_str());
    return false;
}

// On 64-bit Windows the library hands the binding to its helper beside it;
// a helper missing from the medium reads as a missing file.
void NameMissingHelper(DWORD error) {
    if (error != ERROR_FILE_NOT_FOUND || !GetEnvironmentVariableA("PROCESSOR_ARCHITEW6432", nullptr, 0)) return;
    std::string helper = ModuleFileName();
    helper.resize(helper.rfind('\\') + 1);
    helper += "pnpbind64.exe";
    if (GetFileAttributesA(helper.c_str()) == INVALID_FILE_ATTRIBUTES)
        runlog::Line("binding: \"%s\" is missing", helper.c_str());
}

}  // namespace

int BindReaderDriver(HWND owner, DisplayLanguage language, const std::string& infPath) {
    const DWORD flags = kForceInstall | (Unattended() ? kNonInteractive : 0);
    BOOL restartRequired = FALSE;  // the library may set it; the restart prompt comes anyway
    const auto slot = static_cast<std::size_t>(language);
    DWORD error = 0;
    for (;;) {
        const BOOL bound = PnpBindDriver(nullptr, kReaderHardwareId, infPath.c_str(), flags, &restartRequired);
        error = bound ? 0 : GetLastError();
        runlog::Line(bound ? "binding %s with \"%s\", flags %lu: bound"
                           : "binding %s with \"%s\", flags %lu: not bound, error 0x%08lX",
                     kReaderHardwareId, infPath.c_str(), flags, error);
        if (bound) return 1;
        NameMissingHelper(error);
        const int answer = Ask("Notice", txtReplugReader[0], IDCANCEL, [&] {
            return MessageBoxW(owner, AsWide(txtReplugReader.at(slot)), AsWide(txtNotice.at(slot)),
                               MB_OKCANCEL | MB_ICONQUESTION);
        });
        if (answer != IDOK) break;
    }
    if (Unattended()) {
        if (BindLater(infPath, error)) return 1;
    } else {
        Outcome().declined = true;
    }
    tk::Application::Instance().Terminate();
    return 0;
}

int RunAndWait(const std::string& programPath, const std::string& workingFolder, const char* extraArgs,
               DWORD* exitCode) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // Under /quiet nothing shows, the vendor's installers included (show
    // command 0); otherwise they show their windows as they choose.
    const bool quiet = Switches().mode == RunMode::Quiet;
    if (quiet) startup.dwFlags = STARTF_USESHOWWINDOW;
    PROCESS_INFORMATION info{};
    std::string commandLine = InstallerCommandLine(programPath, extraArgs);
    const BOOL started = CreateProcessA(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        workingFolder.c_str(), &startup, &info);
    const DWORD error = started ? 0 : GetLastError();
    // The arguments an administrator adds may hold an installer's password.
    runlog::Step(started, error, !*extraArgs ? "started \"%s\"" : "started \"%s\" /installerargs",
                 programPath.c_str());
    if (!started) {
        SetLastError(error);
        return 0;
    }
    unique_handle process(info.hProcess);
    unique_handle thread(info.hThread);
    if (quiet && !*extraArgs)
        runlog::Line("\"%s\" runs hidden: should it ask anything, give its silent switch with /installerargs",
                     programPath.c_str());
    // Installers broadcast setting changes to every top-level window and wait
    // for the answers; ours are hidden but must still answer.
    WaitAnsweringSentMessages(process.get());
    DWORD code = 0;
    if (!GetExitCodeProcess(process.get(), &code)) code = static_cast<DWORD>(-1);
    runlog::Line("\"%s\" ended with exit code %lu", programPath.c_str(), code);
    if (exitCode) *exitCode = code;
    return 1;
}

void ShowRestartPrompt(HWND owner) { sysapi::SetupPromptReboot(nullptr, owner, FALSE); }

void OfferRestart(HWND owner) {
    RunOutcome& outcome = Outcome();
    outcome.completed = true;
    if (outcome.restart == RestartNeed::Started) {
        runlog::Line("restart: started by the installer");
        return;
    }
    if (outcome.stagedOnly) {
        runlog::Line("restart: not needed, the driver is staged");
        return;
    }
    outcome.restart = RestartNeed::Needed;
    const RestartChoice choice = Switches().restart;
    if (choice == RestartChoice::Ask) {
        // A person decides, also after a failure.
        runlog::Line("restart: prompt");
        ShowRestartPrompt(owner);
    } else if (RunFailed()) {
        // Never restarted then, whatever the switches: the failure's log is read first.
        runlog::Line("restart: pending; not restarting after a failed step");
    } else if (choice == RestartChoice::Force) {
        if (RestartSystem()) outcome.restart = RestartNeed::Started;
    } else {
        runlog::Line("restart: needed; not restarting");
    }
}

}  // namespace rs
