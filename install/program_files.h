// The Program Files folder, which holds the utility folder and the driver
// package kept for readers plugged in later.
#pragma once
#include <string>

namespace rs {

// "ProgramFilesDir" when readable in 99 bytes.
bool ReadProgramFilesDir(std::string& programFiles);

// "ProgramFilesDir", or the fallback on the Windows folder's drive, which
// is then created.
std::string ProgramFilesFolder(const std::string& windowsDirectory);

}  // namespace rs
