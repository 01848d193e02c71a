#include "install/binding.h"

#include "base/handles.h"
#include "base/sent_messages.h"
#include "base/system_api.h"
#include "install/binding_rules.h"
#include "app/language.h"
#include "pnpbind/pnpbind.h"
#include "toolkit/application.h"

namespace rs {

int BindReaderDriver(HWND owner, DisplayLanguage language, const std::string& infPath) {
    constexpr DWORD kForceInstall = 1;
    BOOL restartRequired = FALSE;  // the library may set it; the restart prompt comes anyway
    const auto slot = static_cast<std::size_t>(language);
    for (;;) {
        if (PnpBindDriver(nullptr, kReaderHardwareId, infPath.c_str(), kForceInstall, &restartRequired)) return 1;
        int answer = MessageBoxW(owner, AsWide(txtReplugReader.at(slot)), AsWide(txtNotice.at(slot)),
                                 MB_OKCANCEL | MB_ICONQUESTION);
        if (answer != IDOK) break;
    }
    tk::Application::Instance().Terminate();
    return 0;
}

int RunAndWait(const std::string& programPath, const std::string& workingFolder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::string commandLine = InstallerCommandLine(programPath);
    if (!CreateProcessA(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &info)) {
        return 0;
    }
    unique_handle process(info.hProcess);
    unique_handle thread(info.hThread);
    // Installers broadcast setting changes to every top-level window and wait
    // for the answers; ours are hidden but must still answer.
    WaitAnsweringSentMessages(process.get());
    return 1;
}

void ShowRestartPrompt(HWND owner) { sysapi::SetupPromptReboot(nullptr, owner, FALSE); }

}  // namespace rs
