// The program's folder under Program Files, without Windows.
#pragma once
#include <string>

namespace rs {

// Appended to the Program Files folder: the utility folder.
inline constexpr const char* kUtilityFolderName = "\\ORVEX";

// Drive of the Windows folder + "\Program Files".
std::string FallbackProgramFiles(const std::string& windowsDirectory);

}  // namespace rs
