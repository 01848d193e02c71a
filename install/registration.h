// The installation's registration in the system's list of programs, and
// the copy of setup.exe kept for its removal once the medium is gone.
#pragma once
#include <string>

namespace rs {

// Under HKEY_LOCAL_MACHINE, in a 32-bit program's view: on 64-bit Windows
// the system keeps it under Wow6432Node.
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX";

// <Program Files>\ORVEX\Setup, where the kept copy lies on every path
// that registers (NT 4.0 included). Nothing is made.
std::string KeptCopyFolder();

// The end of a run with switches on paths A, B, C and E once every step
// has gone well: setup.exe, pnpbind.dll and, on 64-bit Windows, its helper
// kept in KeptCopyFolder(), then the entry. Each file and value is a step
// of the run, so a failure to register fails the run. A run by hand, a
// failed run and path D register nothing; the log says why.
void RegisterInstallation();

}  // namespace rs
