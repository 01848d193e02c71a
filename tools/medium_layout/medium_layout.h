// Lays out an installation medium from the vendor's files and the build's
// programs, after checking it against what setup.exe reads on every
// platform (release_medium/medium_rules.h). Runs on the build machine, not
// on Windows.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "tools/medium_layout/disc_image.h"

namespace rs::medium {

namespace fs = std::filesystem;

inline constexpr const char* kSetupFolder = "Setup";

// A program of the build, placed in the medium's setup folder.
struct BuildFile {
    std::string name;  // on the medium
    fs::path source;
};

struct Sources {
    fs::path vendor;               // laid out as the medium: Setup/, InstallationGuide/
    std::vector<BuildFile> build;  // setup.exe, pnpbind.dll, the 64-bit helper
    fs::path buildRoot;            // read only, like the vendor folder
};

// A path as setup.exe names it from its setup folder (".\drivers\x",
// "..\InstallationGuide\y") as a medium-relative one ("Setup/drivers/x").
std::string MediumPath(const std::string& programPath);

// The shipped programs under a root of tools/build.sh: the product tree's
// setup.exe and pnpbind.dll, the win64 tree's helper.
std::vector<BuildFile> BuildFilesOf(const fs::path& buildRoot);

struct Report {
    std::vector<std::string> problems;  // each one refuses the medium
    std::vector<std::string> unread;    // medium paths no run reads; told, not refused
    std::vector<std::string> notes;     // told after a layout, not refused
    std::size_t files = 0;              // files the medium holds
    int stoppedBy = 0;                  // the stop signal that ended the run, `out` left as it was
};

Report CheckMedium(const Sources& sources);

// Checks, then replaces `out` with the medium when `out` is absent, empty or
// an earlier medium still as its record lists it (output_folder.h), running
// `finish` (when given) on the staged medium first; the disc image `image`
// (when given, made by `finish`) takes its place together with the medium.
// When anything refuses or fails, `out` and the image's place are left as
// they were; beside `out`, only what killed runs left there is removed.
Report LayOutMedium(const Sources& sources, const fs::path& out, const std::string& finish = "",
                    const DiscImage& image = {});

}  // namespace rs::medium
