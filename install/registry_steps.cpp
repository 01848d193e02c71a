#include "install/registry_steps.h"

#include "install/file_deploy.h"
#include "install/registry_io.h"

// Results of these writes are not acted on: a key that cannot be reached
// leaves its values unwritten and the installation goes on.
namespace rs {

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kReaderDriverName[] = "ORVEX PC/SC Smart Card Reader Driver";

struct KernelService {
    const char* key;
    DWORD start;
    const char* imagePath;  // nullptr: not written
    const char* displayName;
    const char* group;
};

void WriteKernelService(const KernelService& s) {
    unique_hkey key = CreateMachineKey(s.key);
    if (!key) return;
    SetNumberValue(key.get(), "Start", s.start);
    SetNumberValue(key.get(), "Type", SERVICE_KERNEL_DRIVER);
    SetNumberValue(key.get(), "ErrorControl", SERVICE_ERROR_NORMAL);
    if (s.imagePath) SetTextValue(key.get(), "ImagePath", s.imagePath);
    SetTextValue(key.get(), "DisplayName", s.displayName);
    SetTextValue(key.get(), "Group", s.group);
}

void WriteRunValue(const char* name, const std::string& command) {
    unique_hkey key = OpenMachineKey(kRunKey);
    if (!key) return;
    SetTextValue(key.get(), name, command);
}

}  // namespace

void WriteSetupSourcePath() {
    unique_hkey key = OpenMachineKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup");
    if (!key) return;
    SetTextValue(key.get(), "SourcePath", WindowsDirectory() + "\\System32\\drivers");
}

void WriteSmartCardLibraryVxd() {
    unique_hkey key = CreateMachineKey("System\\CurrentControlSet\\Services\\VxD\\SMCLIB");
    if (!key) return;
    SetTextValue(key.get(), "StaticVxD", "smclib.vxd");
    const BYTE start = 0;
    RegSetValueExA(key.get(), "Start", 0, REG_BINARY, &start, sizeof start);
}

void CreateSmartCardLibraryDevicesKey() { CreateMachineKey("System\\CurrentControlSet\\Services\\VxD\\SMCLIB\\Devices"); }

void WriteVendorKey() {
    unique_hkey key = CreateMachineKey("Software\\Tornvale\\Vireo\\ORVEX");
    if (!key) return;
    SetNumberValue(key.get(), "Type", 3);
    SetTextValue(key.get(), "Driver", "ORVEX.SYS");
}

void RemoveOldServiceProgramEntry() {
    unique_hkey key = OpenMachineKey("Software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    if (!key) return;
    std::string old;
    if (ReadValue99(key.get(), "Tkpsvc", old)) RegDeleteValueA(key.get(), "Tkpsvc");
}

void WriteStartupEntries() {
    // Two separate open-write-close sequences, the service program first.
    WriteRunValue("TkpSvc", SystemDirectory() + "\\TkpSvc.exe");
    WriteRunValue("ProcWatch", SystemDirectory() + "\\ProcWatch.exe");
}

void WriteSmartCardLibraryService() {
    WriteKernelService({"SYSTEM\\CurrentControlSet\\Services\\Smclib", SERVICE_AUTO_START, nullptr, "Smardcard Library",
                        "Extended base"});
}

void WriteUsbDriverService() {
    WriteKernelService({"SYSTEM\\CurrentControlSet\\Services\\WDUSBD", SERVICE_SYSTEM_START, nullptr, "wdusbd",
                        "Extended base"});
}

void WriteWinDriverService() {
    WriteKernelService({"SYSTEM\\CurrentControlSet\\Services\\WINDRIVER", SERVICE_SYSTEM_START,
                        "\\SystemRoot\\System32\\Drivers\\windrvr.sys", "WinDriver", "Extended base"});
}

void WriteReaderDriverService() {
    WriteKernelService({"SYSTEM\\CurrentControlSet\\Services\\ORVEX", SERVICE_AUTO_START, nullptr, kReaderDriverName,
                        "Smart Card Reader"});
}

void WriteEventLogSource() {
    unique_hkey key = CreateMachineKey("SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ORVEX");
    if (!key) return;
    SetTextValue(key.get(), "EventMessageFile", WindowsDirectory() + "\\System32\\drivers\\orvex.sys");
    SetNumberValue(key.get(), "TypesSupported", EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
}

bool WriteUninstallEntry() {
    unique_hkey key = CreateMachineKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX");
    if (!key) return false;
    SetTextValue(key.get(), "UninstallString", BuildUninstallCommand(WindowsDirectory()));
    SetTextValue(key.get(), "DisplayName", kReaderDriverName);
    return true;
}

}  // namespace rs
