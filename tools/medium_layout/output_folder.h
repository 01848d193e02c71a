// The folder a medium is laid out in, replaced only when that destroys
// nothing of anyone else's: absent, empty, or a medium laid out here
// before that still holds exactly what its record lists (record.h). The new
// medium is staged in a folder of its own beside it and swapped in only when
// complete; runs at once in one folder are refused but for one (a lock on
// the parent folder), and under that lock a run removes what killed runs
// left there.
#pragma once
#include <filesystem>
#include <signal.h>
#include <string>
#include <vector>

#include "tools/medium_layout/disc_image.h"
#include "tools/medium_layout/record.h"

namespace rs::medium {

namespace fs = std::filesystem;

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

    // Removes what killed runs left beside the output folder (told in
    // `notes`), then makes the staging folder; empty on failure.
    fs::path Stage(std::vector<std::string>& problems, std::vector<std::string>& notes);
    // Runs `program` with the staging folder's path; false when it fails.
    // What it writes on its standard error are problems, one to a line
    // (indented lines continue the one before), or notes when it succeeds.
    bool Finish(const std::string& program, std::vector<std::string>& problems, std::vector<std::string>& notes);
    // Writes the record of the staged medium as it now is, then puts it in
    // the output folder's place, and with it the disc image (when one is
    // given) in its place: both, or neither. `notes` tell of an earlier
    // medium that could not be removed after the swap.
    bool SwapIn(const DiscImage& image, std::vector<std::string>& problems, std::vector<std::string>& notes);
    // The stop signal (SIGINT...) that ended the run before the swap; 0: none.
    int StoppedBy() const { return stoppedBy_; }

private:
    std::string LeftAsItWas() const;
    bool Stopped();
    void RemoveLeftovers(std::vector<std::string>& notes) const;
    bool CheckEarlier(const std::string& named, std::vector<std::string>& problems) const;

    fs::path out_;      // links resolved
    fs::path staging_;  // ours to remove while not empty
    bool earlier_ = false;  // the output folder holds an earlier medium
    int lock_ = -1;
    sigset_t signals_{};  // as they were before staging
    bool blocked_ = false;
    int stoppedBy_ = 0;
};

}  // namespace rs::medium
