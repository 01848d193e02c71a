#include "install/registry_steps.h"

#include "install/file_deploy.h"
#include "install/registration.h"
#include "install/registration_rules.h"
#include "install/registry_io.h"

// Results of these writes are not acted on: a key that cannot be reached
// leaves its values unwritten and the installation goes on (the log tells
// the failure, and a run with switches ends with it).
namespace rs {

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct KernelService {
    const char* key;
    DWORD start;
    const char* imagePath;  // nullptr: not written
    const char* displayName;
    const char* group;
};

void WriteKernelService(const KernelService& s) {
    MachineKey key = CreateMachineKey(s.key);
    if (!key) return;
    SetNumberValue(key, "Start", s.start);
    SetNumberValue(key, "Type", SERVICE_KERNEL_DRIVER);
    SetNumberValue(key, "ErrorControl", SERVICE_ERROR_NORMAL);
    if (s.imagePath) SetTextValue(key, "ImagePath", s.imagePath);
    SetTextValue(key, "DisplayName", s.displayName);
    SetTextValue(key, "Group", s.group);
}

void WriteRunValue(const char* name, const std::string& command) {
    MachineKey key = OpenMachineKey(kRunKey, true);
    if (!key) return;
    SetTextValue(key, name, command);
}

}  // namespace

void WriteSetupSourcePath() {
    MachineKey key = OpenMachineKey("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", true);
    if (!key) return;
    SetTextValue(key, "SourcePath", WindowsDirectory() + "\\System32\\drivers");
}

void WriteSmartCardLibraryVxd() {
    MachineKey key = CreateMachineKey("System\\CurrentControlSet\\Services\\VxD\\SMCLIB");
    if (!key) return;
    SetTextValue(key, "StaticVxD", "smclib.vxd");
    const BYTE start = 0;
    SetByteValue(key, "Start", start);
}

void CreateSmartCardLibraryDevicesKey() { CreateMachineKey("System\\CurrentControlSet\\Services\\VxD\\SMCLIB\\Devices"); }

void WriteVendorKey() {
    MachineKey key = CreateMachineKey("Software\\Tornvale\\Vireo\\ORVEX");
    if (!key) return;
    SetNumberValue(key, "Type", 3);
    SetTextValue(key, "Driver", "ORVEX.SYS");
}

void RemoveOldServiceProgramEntry() {
    MachineKey key = OpenMachineKey("Software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    if (!key) return;
    std::string old;
    if (ReadValue99(key.get(), "Tkpsvc", old)) DeleteValue(key, "Tkpsvc");
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
    MachineKey key = CreateMachineKey("SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ORVEX");
    if (!key) return;
    SetTextValue(key, "EventMessageFile", WindowsDirectory() + "\\System32\\drivers\\orvex.sys");
    SetNumberValue(key, "TypesSupported", EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
}

bool WriteUninstallEntry() {
    MachineKey key = CreateMachineKey(kUninstallKey);
    if (!key) return false;
    SetTextValue(key, "UninstallString", BuildUninstallCommand(WindowsDirectory()));
    SetTextValue(key, "DisplayName", kReaderDriverName);
    return true;
}

}  // namespace rs
