#include "ui/license_form.h"

#include <cstring>

#include "base/handles.h"
#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "base/run_log.h"
#include "install/binding.h"
#include "install/file_deploy.h"
#include "install/registration.h"
#include "install/registry_io.h"
#include "install/smartcard_service.h"
#include "toolkit/application.h"
#include "ui/dialog_form.h"
#include "ui/license_rules.h"
#include "ui/setup_form.h"

namespace rs {

TLicenseForm* LicenseForm = nullptr;

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kSCardSvrKey[] = "SYSTEM\\CurrentControlSet\\Services\\SCardSvr";

tk::FormDesign LicenseDesign() {
    tk::FormDesign d;
    d.className = "TLicenseForm";
    d.width = 380;
    d.height = 399;
    d.clientSize = false;
    d.border = tk::BorderStyle::Sizeable;
    d.borderIcons = 0;  // no system menu, so no close box
    d.color = tk::clBtnFace;
    d.caption = "";
    return d;
}

const tk::TFont& RedFont() {
    static const tk::TFont font{"MS Sans Serif", -11, false, false, DEFAULT_CHARSET, tk::clRed};
    return font;
}

// The agreement as the medium supplies it: an asset of the window, shown
// unchanged apart from the memo's line breaks.
std::string LicenseText() {
    HRSRC res = FindResourceA(nullptr, "LICENSETEXT", MAKEINTRESOURCEA(10));  // RT_RCDATA
    if (!res) return std::string();
    HGLOBAL data = LoadResource(nullptr, res);
    if (!data) return std::string();
    const void* bytes = LockResource(data);
    const DWORD size = SizeofResource(nullptr, res);
    if (!bytes || size == 0) return std::string();
    return ToMemoLineBreaks(std::string(static_cast<const char*>(bytes), size));
}

bool IsNinetyFamily(PlatformCode p) { return p >= 1 && p <= 3; }

// The current directory as the system reports it; false when it cannot be read.
bool CurrentDirectory(std::string& dir) {
    char buf[256] = {};
    const DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    if (n == 0 || n >= sizeof buf) return false;  // a longer one would not fit the command's design
    dir.assign(buf, n);
    return true;
}

void DeleteValueIfPresent(const char* keyPath, const char* name) {
    MachineKey key = OpenMachineKey(keyPath);
    if (!key) return;
    std::string value;
    if (ReadValue99(key.get(), name, value)) DeleteValue(key, name);
}

// Only the installer started on Accept may make the completion check succeed:
// the markers it writes are removed first.
void PrepareRegistry(PlatformCode platform) {
    if (IsNinetyFamily(platform)) {
        RemoveSmartCardRunValues();
        DeleteValueIfPresent(kRunServicesKey, "Tkpsvc");
        MachineKey run = OpenMachineKey(kRunKey, true);
        if (run) SetTextValue(run, "TkpSvc", CompanionRunValue(SystemDirectory()));
    } else if (platform == 4) {
        DeleteValueIfPresent(kSCardSvrKey, "ObjectName");
    }
}

bool BaseComponentsInstalled(PlatformCode platform) {
    std::string value;
    if (IsNinetyFamily(platform)) {
        MachineKey key = OpenMachineKey(kRunServicesKey);
        return key && ReadValue99(key.get(), "SCardSvr", value) && IsSmartCardServiceMarker(value, SystemDirectory());
    }
    if (platform == 4) {
        MachineKey key = OpenMachineKey(kSCardSvrKey);
        return key && ReadValue99(key.get(), "ObjectName", value);
    }
    return false;
}

}  // namespace

TLicenseForm::TLicenseForm() : tk::TForm(LicenseDesign()), CheckTimer(*this, 500) {
    static const std::string readHint = ToCodePage(txtLicenseReadHint, CP_ACP);
    static const std::string question = ToCodePage(txtLicenseAcceptQuestion, CP_ACP);
    static const std::string agreement = LicenseText();
    Layout({
        {.control = &Memo3, .left = 10, .top = 8, .width = 351, .height = 65,
         .options = tk::coReadOnly | tk::coWordWrap | tk::coTabStop,
         .text = "Your system need to install the Smart Card Base Components so that the\r\nreader will work normally",
         .font = &RedFont(), .color = tk::clBtnFace, .tabOrder = 3},
        {.control = &Memo1, .left = 10, .top = 72, .width = 351, .height = 41,
         .options = tk::coReadOnly | tk::coWordWrap, .text = readHint.c_str(), .color = tk::clBtnFace, .tabOrder = 4},
        {.control = &LicenseMemo, .left = 10, .top = 114, .width = 351, .height = 193,
         .options = tk::coBorder | tk::coReadOnly | tk::coVScroll | tk::coWordWrap, .text = agreement.c_str(),
         .tabOrder = 2},
        // Memo2 first: the buttons lie over its lower part.
        {.control = &Memo2, .left = 8, .top = 312, .width = 357, .height = 57,
         .options = tk::coReadOnly | tk::coWordWrap | tk::coTabStop, .text = question.c_str(),
         .color = tk::clBtnFace, .tabOrder = 5},
        {.control = &YesBtn, .left = 202, .top = 346, .width = 75, .height = 25, .text = "&Yes", .tabOrder = 0},
        {.control = &NoBtn, .left = 288, .top = 346, .width = 75, .height = 25, .text = "&No", .tabOrder = 1},
    });
    OnCreate = [this] { SetCaption(ToCodePage(txtLicenseCaption, CP_ACP)); };
    OnShow = [this] { FormShow(); };
    OnKeyPress = [this](char key) { FormKeyPress(key); };
    OnDestroy = [this] { FormDestroy(); };
    YesBtn.OnClick = [this] { YesBtnClick(); };
    NoBtn.OnClick = [this] { NoBtnClick(); };
    CheckTimer.OnTimer = [this] { CheckTimerTimer(); };
}

void TLicenseForm::FormShow() { CenterOnScreen(); }

void TLicenseForm::FormKeyPress(char key) {
    if (key == 'A' || key == 'a') {
        YesBtnClick();
    } else if (key == 'R' || key == 'r') {
        NoBtnClick();
    }
}

void TLicenseForm::FormDestroy() { tk::App().Terminate(); }

void TLicenseForm::YesBtnClick() {
    const PlatformCode platform = DetectPlatform();
    PrepareRegistry(platform);
    CheckTimer.SetEnabled(true);
    acceptedAt_ = GetTickCount();
    std::string currentDirectory;
    if (platform == 3 && !CurrentDirectory(currentDirectory)) {
        AskInBox(Handle(), txtCannotGetCurrentDirectory, txtErrorCaption, MB_OK, CP_ACP, IDOK,
                 txtCannotGetCurrentDirectory);
        Outcome().failed = true;
        tk::App().Terminate();
        return;
    }
    // A run nobody watches has the installer neither ask for a restart nor,
    // under /quiet, show itself.
    const bool unattended = Unattended();
    const std::string command = BaseComponentsCommand(platform, WindowsDirectory(), currentDirectory, !unattended);
    // Shown normally (show command 5) and not waited for: the registry
    // marker is the only link to the installer.
    if (!command.empty()) {
        const UINT started = WinExec(command.c_str(), Switches().mode == RunMode::Quiet ? SW_HIDE : SW_SHOW);
        runlog::Step(started > 31, started, "started \"%s\"", command.c_str());
    }
    SetModalResult(tk::mrOk);
}

void TLicenseForm::NoBtnClick() {
    Hide();
    const DisplayLanguage language = SetupForm->Language;
    Ask("Notice", txtInstallFailed[0], IDOK, [language] {
        return MessageBoxW(SetupForm->Handle(), AsWide(txtInstallFailed[language]), AsWide(txtNotice[language]),
                           MB_ICONWARNING | MB_OK);
    });
    Outcome().declined = true;
    tk::App().Terminate();
}

void TLicenseForm::CheckTimerTimer() {
    if (!BaseComponentsInstalled(DetectPlatform())) {
        // Nobody is there to give up: an unattended run stops waiting.
        if (Unattended() && BaseComponentsWaitOver(acceptedAt_, GetTickCount())) {
            CheckTimer.SetEnabled(false);
            runlog::Step(false, ERROR_TIMEOUT, "waiting for the base components' installer");
            tk::App().Terminate();
        }
        return;
    }
    // Stopped before the notice's modal loop pumps messages: no second tick.
    CheckTimer.SetEnabled(false);
    // The notice's three lines: installed, a restart is needed, plug the
    // reader in before it (the restart need is logged with the restart).
    Ask("Notice", txtInstalledCompletely[0], tk::mrOk, [] { return DialogForm->ShowModal(); });
    RegisterInstallation();  // before a restart can take the machine down
    OfferRestart(SetupForm->Handle());
    tk::App().Terminate();
}

}  // namespace rs
