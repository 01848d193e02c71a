// The files a medium is made of, read before anything is written: links
// followed (the medium holds the bytes they point to), and whatever cannot
// be read kept with the reason, so that the check names it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace rs::medium {

namespace fs = std::filesystem;

// One file or folder the medium will hold.
struct Entry {
    std::string path;  // medium-relative, '/'-separated, as spelt on disk
    fs::path source;
    bool folder = false;
    std::uintmax_t size = 0;
    std::string problem;  // why it cannot be copied; empty when it can
};

// `source` as the medium's `path`, opened as the copy will open it. None
// when nothing at all is there (not even a link).
std::optional<Entry> Examine(const std::string& path, const fs::path& source);

struct Tree {
    std::vector<Entry> entries;      // parents before their contents
    std::vector<fs::path> linkedTo;  // where the links lead, links resolved
    std::string problem;             // the root itself cannot be listed
};

// Everything below `root`, each path relative to it.
Tree ListTree(const fs::path& root);

}  // namespace rs::medium
