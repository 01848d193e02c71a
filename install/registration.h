// The installation's entry in the system's uninstall list, and the copy of
// setup.exe kept on the machine for its removal once the medium is gone.
#pragma once
#include <string>

namespace rs {

// Under HKEY_LOCAL_MACHINE (a 32-bit program's view on 64-bit Windows).
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX";

// Where setup.exe and what it needs are kept: <utility folder>\Setup.
std::string KeptCopyFolder();

}  // namespace rs
