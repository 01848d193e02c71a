// The external installer's command line, without Windows.
#pragma once
#include <string>

namespace rs {

// The program's own path in quotes: without a command line Windows hands the
// program its bare path, which a folder name with blanks splits apart.
std::string InstallerCommandLine(const std::string& programPath);

}  // namespace rs
