#include "install/registration.h"

#include <windows.h>

#include "app/language.h"
#include "app/platform.h"
#include "app/run_context.h"
#include "app/texts.h"
#include "base/module_path.h"
#include "base/run_log.h"
#include "install/file_deploy.h"
#include "install/program_files.h"
#include "install/program_files_rules.h"
#include "install/registration_rules.h"
#include "install/registry_io.h"

namespace rs {
namespace {

// setup.exe under one name whatever the medium calls it, the binding
// library it imports, and the helper that binds for it on 64-bit Windows.
void KeepCopy(const std::string& kept) {
    static const char* const kNames[] = {"setup.exe", "pnpbind.dll", "pnpbind64.exe"};
    const int count = GetEnvironmentVariableA("PROCESSOR_ARCHITEW6432", nullptr, 0) ? 3 : 2;
    std::string from = ModuleFileName();
    const std::size_t names = from.rfind('\\') + 1;  // where the medium's file names begin
    CreateDirectoryA(kept.c_str(), nullptr);  // a folder that cannot be made fails the copies
    for (int i = 0; i < count; ++i) {
        if (i > 0) from.replace(names, std::string::npos, kNames[i]);
        char to[1025];  // wsprintf's most
        wsprintfA(to, "%s\\%s", kept.c_str(), kNames[i]);
        InstallFile(from.c_str(), to);
    }
}

}  // namespace

std::string KeptCopyFolder() {
    std::string programFiles;
    if (!ReadProgramFilesDir(programFiles)) programFiles = FallbackProgramFiles(WindowsDirectory());
    return programFiles + kUtilityFolderName + kKeptCopyFolderName;
}

void RegisterInstallation() {
    if (!Switches().given) return;  // a run by hand writes what it always wrote
    const Registration kind = RegistrationFor(DetectPlatform());
    if (kind == Registration::None) {
        runlog::Line("not registered: the vendor's installer registers what it installs");
        return;
    }
    const std::string windows = WindowsDirectory(), system = SystemDirectory();
    const std::string utility = ProgramFilesFolder(windows) + kUtilityFolderName;
    if (!RunFailed()) {
        CreateDirectoryA(utility.c_str(), nullptr);  // NT 4.0's run has not made it
        KeepCopy(utility + kKeptCopyFolderName);
    }
    // Only an installation that stands is registered: detection goes by the entry.
    if (RunFailed()) {
        runlog::Line("not registered: a step failed");
        return;
    }
    const MachineKey key = CreateMachineKey(kUninstallKey);
    if (!key) return;
    const std::string title = ToCodePage(txtSetupTitle[0], CP_ACP);
    const RegistrationPlaces places{utility.c_str(), windows.c_str(), system.c_str()};
    for (const RegistrationValue& v :
         BuildRegistrationValues(kind, places, VersionInTitle(title.c_str()), Outcome().installedBytes)) {
        char text[1025];
        if (v.head) {
            wsprintfA(text, "%s%s%s", v.head, v.folder ? v.folder : "", v.tail);
            SetTextValue(key, v.name, text);
        } else {
            SetNumberValue(key, v.name, v.number);
        }
    }
}

}  // namespace rs
