#include "ui/setup_pass.h"

#include <cstdlib>

#include "base/handles.h"
#include "base/module_path.h"
#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "base/run_log.h"
#include "install/binding.h"
#include "install/copy_table.h"
#include "install/file_deploy.h"
#include "install/registration.h"
#include "install/registry_steps.h"
#include "install/smartcard_service.h"
#include "install/stale_records.h"
#include "shell/utilities.h"
#include "toolkit/application.h"
#include "ui/setup_form.h"
#include "ui/setup_pass_rules.h"

namespace rs {

namespace {

// Copies one row of the copy table and reports its failure as the row says.
// False when the pass must end here (the end of the program has then been
// requested where the row says so).
bool CopyRowReported(TSetupForm& form, const CopyRow& row) {
    if (InstallRow(row)) return true;
    const DWORD error = GetLastError();
    if (!ReportsCopyFailure(row, static_cast<std::int32_t>(error))) return true;

    // The timer never fires while a copy-failure box pumps messages.
    form.DisarmDelayTimer();
    const std::string text = CopyFailureText(row.nameInMessage, form.Language, static_cast<std::int32_t>(error));
    const std::string caption = ToCodePage(txtCopyErrorCaption, CP_ACP);
    // The copy's own log line holds the system's error code.
    Ask("Error", txtCannotCopy[0], IDOK, [&] {
        return MessageBoxA(form.Handle(), text.c_str(), caption.c_str(), MB_ICONQUESTION | MB_OK);
    }, row.nameInMessage);

    switch (row.onFailure) {
        case OnCopyFailure::GoOn:
            form.ArmDelayTimer();
            return true;
        case OnCopyFailure::StopProgramEnds:
            tk::App().Terminate();
            return false;
        default:
            return false;
    }
}

// The rows of one path, in table order.
bool CopyRowsReported(TSetupForm& form, CopyPath path) {
    for (const CopyRow& row : kCopyTable) {
        if (PathOfRow(row) == path && !CopyRowReported(form, row)) return false;
    }
    return true;
}

// The system's text for an error code, as FormatMessage gives it.
std::u16string SystemMessage(DWORD error) {
    char* buffer = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    unique_hlocal owner(buffer);
    if (n == 0 || !buffer) return std::u16string();
    const std::wstring wide = WideFromAnsi(std::string(buffer, n));
    return std::u16string(wide.begin(), wide.end());
}

void RunPathA(TSetupForm& form) {
    Sleep(1000);  // a plain wait: the window is not repainted meanwhile
    form.ArmDelayTimer();
    if (!CopyRowsReported(form, CopyPath::A)) return;
    form.SetProgress(progress::kFilesCopied);
    WriteSetupSourcePath();
    WriteSmartCardLibraryVxd();
    CreateSmartCardLibraryDevicesKey();
    RemoveStaleUsbRecord();
    RemoveSerialReaderRecord();
    WriteVendorKey();
    RemoveOldServiceProgramEntry();
    WriteStartupEntries();
    form.SetProgress(progress::kRegistryDone);
    InstallUtilitiesAndGuide(form.Handle(), form.Language);
    form.SetProgress(progress::kUtilitiesDone);
    // The armed timer opens the agreement window once this handler returns.
}

void RunPathB(TSetupForm& form) {
    form.ArmDelayTimer();
    if (!CopyRowsReported(form, CopyPath::B)) return;
    form.SetProgress(progress::kFilesCopied);
    WriteSmartCardLibraryService();
    WriteUsbDriverService();
    WriteWinDriverService();
    WriteReaderDriverService();
    WriteEventLogSource();
    WriteUninstallEntry();
    form.SetProgress(progress::kRegistryDone);
}

void RunPathC(TSetupForm& form, PlatformCode platform) {
    StartSmartCardService();
    form.SetProgress(progress::kServiceStarted);
    const std::string infPath = BindingInfPath(platform, CurrentDirectory(), Switches().given);
    if (!BindReaderDriver(form.Handle(), form.Language, infPath)) return;
    form.SetProgress(progress::kDriverBound);
    InstallUtilitiesAndGuide(form.Handle(), form.Language);  // a shortcut failure escapes from here
    form.SetProgress(progress::kUtilitiesInstalled);
    const CopyRow& inf = CopyTableRow(14);
    InstallFile(inf.source, DestinationOf(inf));
    form.SetProgress(progress::kInfCopied);
    RegisterInstallation();  // before a restart can take the machine down
    OfferRestart(form.Handle());
    tk::App().Terminate();
}

[[noreturn]] void RunPathD(TSetupForm& form, PlatformCode platform) {
    StartSmartCardService();
    form.SetProgress(progress::kServiceStarted);
    const CopyRow& inf = CopyTableRow(14);
    InstallFile(inf.source, DestinationOf(inf));
    form.SetProgress(progress::kInfCopiedD);
    const std::string folder = FolderOfModule(ModuleFileName());
    const std::string installer = folder + ExternalInstallerName(platform);
    form.SetProgress(progress::kInstallerPathBuilt);
    form.Disable();
    form.SetProgress(progress::kWindowDisabled);
    form.Hide();
    DWORD installerExit = 0;
    if (RunAndWait(installer, folder, Switches().installerArgs, &installerExit)) {
        // A run by hand offers the restart whatever the installer said; only
        // a run with switches reports its code to the tool that started it.
        if (Switches().given) TakeInstallerExit(Outcome(), installerExit);
        RegisterInstallation();  // the log says the vendor's installer registers itself
        OfferRestart(form.Handle());
    } else {
        const std::u16string system = SystemMessage(GetLastError());
        const InstallerFailureTexts t = BuildInstallerFailureTexts(platform, form.Language, system);
        // Traditional Chinese texts go out in code page 950.
        const UINT codePage = form.Language == 1 ? 950 : CP_ACP;
        AskInBox(nullptr, t.errorText.c_str(), t.errorCaption.c_str(), MB_ICONERROR | MB_OK, codePage, IDOK,
                 txtInstallerErrorPrefix[0], ToCodePage(system, CP_ACP).c_str());
        AskInBox(nullptr, t.infoText.c_str(), t.infoCaption.c_str(), MB_ICONWARNING | MB_OK, codePage, IDOK,
                 RunByHandTexts(platform)[0]);
    }
    tk::App().Terminate();
    // At once: no further window message is handled.
    std::exit(static_cast<int>(FinishRun()));
}

void RunPathE(TSetupForm& form, PlatformCode platform) {
    // In English, which every system's code page holds.
    if (AskInBox(form.Handle(), txtNewerSystemQuestion, txtErrorCaption, MB_ICONQUESTION | MB_YESNO, CP_ACP, IDYES,
                 txtNewerSystemQuestion) != IDYES) {
        Outcome().declined = true;
        return;
    }
    RunPathC(form, platform);
}

void RunPathF(TSetupForm& form) {
    AskInBox(form.Handle(), txtUnknownSystem, txtErrorCaption, MB_OK, CP_ACP, IDOK, txtUnknownSystem);
    Outcome().unsupported = true;
    tk::App().Terminate();
}

}  // namespace

// The press feedback has run in the Yes handler before this.
void RunInstallationPass(TSetupForm& form) {
    // A further Yes after a stopped pass starts afresh, also its outcome.
    Outcome() = RunOutcome{};
    runlog::ForgetFailures();
    form.SetProgress(progress::kStart);
    const PlatformCode platform = DetectPlatform();
    switch (PathForPlatform(platform)) {
        case InstallPath::A:
            RunPathA(form);
            break;
        case InstallPath::B:
            RunPathB(form);
            break;
        case InstallPath::C:
            RunPathC(form, platform);
            break;
        case InstallPath::D:
            RunPathD(form, platform);
        case InstallPath::E:
            RunPathE(form, platform);
            break;
        case InstallPath::F:
            RunPathF(form);
            break;
    }
}

}  // namespace rs
