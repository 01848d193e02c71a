// The folder a medium is laid out in, replaced only when that destroys
// nothing of anyone else's: absent, empty, or a medium laid out here
// before (it holds the record). The new medium is staged in a folder of
// its own beside it and swapped in only when complete; runs at once in one
// folder are refused but for one (a lock on the parent folder).
#pragma once
#include <filesystem>
#include <signal.h>
#include <string>
#include <vector>

namespace rs::medium {

namespace fs = std::filesystem;

// Written into every medium laid out; setup.exe never reads it.
inline constexpr const char* kRecordName = ".make-medium";

// A folder the layout only reads, with what it is for a person.
struct ReadFolder {
    std::string what;  // "vendor folder"
    fs::path path;
};

// Where two folders overlap (one is, or lies inside, the other), said for a
// person; empty when they are apart. Paths are compared with links resolved.
std::string Overlap(const ReadFolder& a, const ReadFolder& b);

class OutputFolder {
public:
    // Checks, writing nothing, that `out` may take the medium and takes the
    // lock; each refusal is added to `problems`.
    OutputFolder(const fs::path& out, const std::vector<ReadFolder>& read, std::vector<std::string>& problems);
    // Removes the staging folder unless it became the output folder.
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Makes the staging folder, the record in it; empty on failure.
    fs::path Stage(std::vector<std::string>& problems);
    // Runs `program` with the staging folder's path; false when it fails.
    bool Finish(const std::string& program, std::vector<std::string>& problems);
    // Puts the staged medium in the output folder's place. `notes` tell of
    // an earlier medium that could not be removed after the swap.
    bool SwapIn(std::vector<std::string>& problems, std::vector<std::string>& notes);

private:
    std::string LeftAsItWas() const;

    fs::path out_;      // links resolved
    fs::path staging_;  // ours to remove while not empty
    bool earlier_ = false;  // the output folder holds an earlier medium
    int lock_ = -1;
    sigset_t signals_{};  // as they were before staging
    bool blocked_ = false;
};

}  // namespace rs::medium
