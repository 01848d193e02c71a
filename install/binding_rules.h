// The reader's hardware ID and the external installer's command line,
// without Windows.
#pragma once
#include <string>

namespace rs {

// The ID the binding library is handed; the binding INFs and the reader's
// INF must name it for the system to match the reader.
inline constexpr char kReaderHardwareId[] = "USB\\Vid_0d4e&Pid_0010";

// The program's own path in quotes: without a command line Windows hands the
// program its bare path, which a folder name with blanks splits apart. An
// administrator's arguments for the installer follow it as given.
std::string InstallerCommandLine(const std::string& programPath, const char* extraArgs = "");

}  // namespace rs
