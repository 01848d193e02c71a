// Names a Windows file system cannot hold: a file so named on the medium
// could not be copied off it, or would arrive as another file.
#pragma once
#include <string>

namespace rs::medium {

// Why Windows cannot hold `name`, one element of a path, in the user's
// words; empty when it can.
std::string WindowsNameProblem(const std::string& name);

}  // namespace rs::medium
