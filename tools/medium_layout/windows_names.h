// Names and paths a Windows file system cannot hold or open: a file so
// named on the medium could not be copied off it, or would arrive as
// another file.
#pragma once
#include <cstddef>
#include <string>

namespace rs::medium {

// Why Windows cannot hold `name`, one element of a path, in the user's
// words; empty when it can.
std::string WindowsNameProblem(const std::string& name);

// The longest medium path Windows opens: MAX_PATH (260) less the drive
// ("D:\") before it and the end after it.
inline constexpr std::size_t kLongestMediumPath = 256;

// Why Windows cannot open the medium-relative `path` ('/'-separated, UTF-8)
// from the medium's root, in the user's words; empty when it can.
std::string WindowsPathProblem(const std::string& path);

}  // namespace rs::medium
