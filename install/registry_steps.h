// Registry registration for Windows 95/98/Me and NT 4.0, one function per
// entry, called in this order. Results are not acted on by the caller.
#pragma once
#include <string>

namespace rs {

// Windows 95/98/Me.
void WriteSetupSourcePath();              // Setup\SourcePath: the drivers folder
void WriteSmartCardLibraryVxd();          // VxD\SMCLIB: StaticVxD and Start
void CreateSmartCardLibraryDevicesKey();  // VxD\SMCLIB\Devices, empty
void WriteVendorKey();                    // the vendor key's Type and Driver
void RemoveOldServiceProgramEntry();      // RunServices "Tkpsvc", when it reads in 99 bytes
void WriteStartupEntries();               // Run: "TkpSvc", then "ProcWatch"

// Windows NT 4.0: four kernel-driver services, the event-log source and the
// uninstall entry.
void WriteSmartCardLibraryService();  // Smclib
void WriteUsbDriverService();         // WDUSBD
void WriteWinDriverService();         // WINDRIVER, with its ImagePath
void WriteReaderDriverService();      // ORVEX
void WriteEventLogSource();           // EventLog\System\ORVEX
bool WriteUninstallEntry();           // false when the key cannot be created

// RunDll32 advpack.dll,LaunchINFSection <W>\inf\orvexunst.inf, DefaultUninstall.NT
inline constexpr char kUninstallCommandHead[] = "RunDll32 advpack.dll,LaunchINFSection ";
inline constexpr char kUninstallCommandTail[] = "\\inf\\orvexunst.inf, DefaultUninstall.NT";
std::string BuildUninstallCommand(const std::string& windowsDirectory);

}  // namespace rs
