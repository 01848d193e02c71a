// Registry registration for Windows 95/98/Me (W1..W6) and NT 4.0 (N1..N6).
// Results are not acted on by the caller.
#pragma once
#include <string>

namespace rs {

void RegistryStepW1();  // setup source path
void RegistryStepW2();  // smart card library VxD entries
void RegistryStepW3();  // its empty Devices key
void RegistryStepW4();  // vendor key
void RegistryStepW5();  // old RunServices "Tkpsvc" removed
void RegistryStepW6();  // the two Run entries
void RegistryStepN1();
void RegistryStepN2();
void RegistryStepN3();
void RegistryStepN4();
void RegistryStepN5();  // event-log source
bool RegistryStepN6();  // uninstall entry; false when the key cannot be created

// RunDll32 advpack.dll,LaunchINFSection <W>\inf\orvexunst.inf, DefaultUninstall.NT
std::string BuildUninstallCommand(const std::string& windowsDirectory);

}  // namespace rs
