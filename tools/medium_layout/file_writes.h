// Writing the medium's files, and why a write failed in the user's words:
// a full disk is named as one, never as the error that a library makes of
// it.
#pragma once
#include <filesystem>
#include <string>

namespace rs::medium {

namespace fs = std::filesystem;

// Why writing at `path` failed (an errno value), in the user's words.
std::string WriteFailure(int error, const fs::path& path);

// `text` as the whole of the new `file`; 0 or the errno value.
int WriteWhole(const fs::path& file, const std::string& text);

// What failed of a copy: nothing (error 0), reading its source or writing
// its copy.
struct CopyFailure {
    int error = 0;
    bool reading = false;
};

// `from`'s bytes as the new file `to`, with `from`'s permissions.
CopyFailure CopyWhole(const fs::path& from, const fs::path& to);

}  // namespace rs::medium
