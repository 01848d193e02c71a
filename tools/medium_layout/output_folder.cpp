#include "tools/medium_layout/output_folder.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

extern char** environ;

namespace rs::medium {
namespace {

// The record's first line, by which an earlier medium is known.
constexpr const char* kRecordLine = "Laid out by make-medium; its next run may replace this folder.";

std::string Because(int error) { return " (" + std::string(std::strerror(error)) + ")"; }

bool Inside(const fs::path& inner, const fs::path& outer) {
    auto [end, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return end == outer.end();
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Whether a stop signal came while they were held back.
bool Interrupted() {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return false;
    for (int signal : kStopSignals)
        if (sigismember(&pending, signal) == 1) return true;
    return false;
}

fs::path WithoutTrailingSlash(fs::path path) { return path.has_filename() ? path : path.parent_path(); }

// A folder name of our own beside `out`, unique by mkdtemp.
fs::path MakeFolderBeside(const fs::path& out, const char* kind, int& error) {
    std::string name = (out.parent_path() / ("." + out.filename().string() + kind + "XXXXXX")).string();
    if (!mkdtemp(name.data())) {
        error = errno;
        return {};
    }
    return name;
}

}  // namespace

std::string Overlap(const ReadFolder& a, const ReadFolder& b) {
    std::error_code errorA, errorB;
    const fs::path pathA = WithoutTrailingSlash(fs::weakly_canonical(a.path, errorA));
    const fs::path pathB = WithoutTrailingSlash(fs::weakly_canonical(b.path, errorB));
    if (a.path.empty() || b.path.empty() || errorA || errorB) return "";
    if (!Inside(pathA, pathB) && !Inside(pathB, pathA)) return "";
    return pathA.string() + " (" + a.what + ") and " + pathB.string() + " (" + b.what +
           ") overlap: neither may be or lie inside the other";
}

OutputFolder::OutputFolder(const fs::path& outArg, const std::vector<ReadFolder>& read,
                           std::vector<std::string>& problems) {
    const std::size_t before = problems.size();
    const fs::path given = WithoutTrailingSlash(outArg);
    const std::string named = outArg.string() + ": ";
    if (!given.has_filename() || given.filename() == "." || given.filename() == "..") {
        problems.push_back(named + "name the output folder itself, not . or .. or /");
        return;
    }
    std::error_code error;
    const fs::path parent = fs::canonical(fs::absolute(given, error).parent_path(), error);
    if (error || !fs::is_directory(fs::status(parent, error))) {
        problems.push_back(named + "its parent folder is missing or not a folder; make it first");
        return;
    }
    out_ = parent / given.filename();
    // A link is followed: the folder it leads to is the one replaced.
    if (fs::is_symlink(fs::symlink_status(out_, error))) {
        const fs::path target = fs::canonical(out_, error);
        if (error || !target.has_filename()) {
            problems.push_back(named + "a link that leads to no folder" + (error ? " (" + error.message() + ")" : "") +
                               "; left as it was");
            return;
        }
        out_ = target;
    }
    for (const ReadFolder& folder : read) {
        // The staging folder lies beside the output folder, new: it overlaps
        // a folder read only when the output folder does.
        const std::string overlap = Overlap({"output folder", out_}, folder);
        if (!overlap.empty()) problems.push_back(overlap);
    }
    if (problems.size() != before) return;

    // Locked, no file made: a lock ends with its run, however that ends.
    lock_ = ::open(out_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int locked = lock_ < 0 ? errno : ::flock(lock_, LOCK_EX | LOCK_NB) != 0 ? errno : 0;
    if (locked != 0) {
        problems.push_back(out_.parent_path().string() +
                           (locked == EWOULDBLOCK ? ": another make-medium run is laying out a medium in this folder"
                                                  : ": cannot be locked" + Because(locked)) +
                           "; refused, " + LeftAsItWas());
        return;
    }
    const fs::file_status status = fs::symlink_status(out_, error);
    if (!fs::exists(status)) return;
    std::error_code unreadable;
    const bool empty = fs::is_directory(status) && fs::is_empty(out_, unreadable);
    const fs::path record = out_ / kRecordName;
    std::string line;
    if (fs::is_regular_file(fs::symlink_status(record, error))) std::getline(std::ifstream(record), line);
    earlier_ = line == kRecordLine;
    if (!fs::is_directory(status))
        problems.push_back(named + "not a folder; refused, left as it was");
    else if (unreadable)
        problems.push_back(named + "cannot be read (" + unreadable.message() + "); refused, left as it was");
    else if (!empty && !earlier_)
        problems.push_back(named + "holds files that make-medium did not lay out (no " + kRecordName +
                           " record); refused, left as it was: give a new or empty folder");
}

OutputFolder::~OutputFolder() {
    std::error_code ignored;
    if (!staging_.empty()) fs::remove_all(staging_, ignored);
    if (lock_ >= 0) ::close(lock_);
    if (blocked_) ::sigprocmask(SIG_SETMASK, &signals_, nullptr);
}

std::string OutputFolder::LeftAsItWas() const { return out_.string() + " left as it was"; }

fs::path OutputFolder::Stage(std::vector<std::string>& problems) {
    // An interruption waits until the staging folder is gone again or has
    // become the output folder.
    sigset_t stop;
    sigemptyset(&stop);
    for (int signal : kStopSignals) sigaddset(&stop, signal);
    blocked_ = ::sigprocmask(SIG_BLOCK, &stop, &signals_) == 0;
    int error = 0;
    staging_ = MakeFolderBeside(out_, ".make-medium-", error);
    if (staging_.empty()) {
        problems.push_back(out_.parent_path().string() + ": no staging folder could be made" + Because(error) + "; " +
                           LeftAsItWas());
        return {};
    }
    // mkdtemp's folder is private; the medium is a folder like any other.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(staging_.c_str(), 0777 & ~mask);
    std::ofstream record(staging_ / kRecordName);
    record << kRecordLine << "\nsetup.exe does not read this file; the disc image leaves it out.\n";
    if (!record.flush()) {
        problems.push_back((staging_ / kRecordName).string() + ": cannot be written; " + LeftAsItWas());
        return {};
    }
    return staging_;
}

bool OutputFolder::Finish(const std::string& program, std::vector<std::string>& problems) {
    if (Interrupted()) {
        problems.push_back("interrupted; " + LeftAsItWas());
        return false;
    }
    if (program.empty()) return true;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &signals_);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::string staging = staging_.string();
    char* argv[] = {const_cast<char*>(program.c_str()), staging.data(), nullptr};
    pid_t pid = 0;
    const int started = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    if (started != 0) {
        problems.push_back(program + ": could not be started" + Because(started) + "; " + LeftAsItWas());
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    const std::string how = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                              : "killed by signal " + std::to_string(WTERMSIG(status));
    problems.push_back(program + " failed (" + how + "); " + LeftAsItWas());
    return false;
}

bool OutputFolder::SwapIn(std::vector<std::string>& problems, std::vector<std::string>& notes) {
    if (Interrupted()) {
        problems.push_back("interrupted; " + LeftAsItWas());
        return false;
    }
    const std::string staged = "the staged medium " + staging_.string();
    if (!earlier_) {
        if (::rename(staging_.c_str(), out_.c_str()) != 0) {
            problems.push_back(staged + " could not become " + out_.string() + Because(errno) + "; " + LeftAsItWas());
            return false;
        }
        staging_.clear();
        return true;
    }
    // The earlier medium moves aside under a name of our own, and back
    // should the new one fail to take its place.
    int error = 0;
    const fs::path old = MakeFolderBeside(out_, ".make-medium-old-", error);
    if (old.empty() || ::rename(out_.c_str(), old.c_str()) != 0) {
        error = error ? error : errno;
        if (!old.empty()) ::rmdir(old.c_str());
        problems.push_back(out_.string() + ": the earlier medium could not be moved aside" + Because(error) + "; " +
                           LeftAsItWas());
        return false;
    }
    if (::rename(staging_.c_str(), out_.c_str()) != 0) {
        error = errno;
        if (::rename(old.c_str(), out_.c_str()) != 0)
            problems.push_back(staged + " could not take the place of " + out_.string() + Because(error) +
                               "; the earlier medium is now " + old.string() + Because(errno) + ": move it back");
        else
            problems.push_back(staged + " could not become " + out_.string() + Because(error) + "; " + LeftAsItWas());
        return false;
    }
    staging_.clear();
    std::error_code removed;
    fs::remove_all(old, removed);
    if (removed)
        notes.push_back(old.string() + ": the earlier medium could not be removed (" + removed.message() +
                        "); remove it yourself");
    return true;
}

}  // namespace rs::medium
