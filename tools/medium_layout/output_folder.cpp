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
#include <cstdlib>
#include <fstream>

#include "tools/medium_layout/disc_image.h"
#include "tools/medium_layout/file_writes.h"

extern char** environ;

namespace rs::medium {
namespace {

// What makes a folder ours to replace, told with every refusal of one.
constexpr const char* kMoveAside =
    "; refused, left as it was (no option overrides this): move the folder aside, or choose another, and run again";

// Differences named at most, so that a folder full of other things does not
// bury the refusal.
constexpr std::size_t kDifferencesShown = 10;

std::string Because(int error) { return " (" + std::string(std::strerror(error)) + ")"; }

bool Inside(const fs::path& inner, const fs::path& outer) {
    auto [end, ignored] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return end == outer.end();
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The lock make-medium.sh took on this folder already, when it writes the
// disc image beside the medium: its descriptor, inherited.
int InheritedLock(const fs::path& folder) {
    const char* given = std::getenv("RS_MEDIUM_LOCK_FD");
    struct stat inherited, wanted;
    if (!given || !*given || ::stat(folder.c_str(), &wanted) != 0) return -1;
    const int fd = std::atoi(given);
    if (::fstat(fd, &inherited) != 0 || inherited.st_dev != wanted.st_dev || inherited.st_ino != wanted.st_ino)
        return -1;
    return ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

// A program's standard error as lines for a person: an indented line goes
// with the one before it; make-medium's own prefix is dropped (it is added
// again when they are told).
void AddLines(const std::string& said, std::vector<std::string>& to) {
    const std::string prefix = "make-medium: ";
    const std::size_t first = to.size();
    std::size_t start = 0;
    while (start < said.size()) {
        std::size_t end = said.find('\n', start);
        if (end == std::string::npos) end = said.size();
        std::string line = said.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        if ((line[0] == ' ' || line[0] == '\t') && to.size() > first) to.back() += "\n" + line;
        else to.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
    }
}

// Everything `fd` gives until its end.
std::string ReadAll(int fd) {
    std::string all;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0) all.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR) break;
    }
    return all;
}

fs::path WithoutTrailingSlash(fs::path path) { return path.has_filename() ? path : path.parent_path(); }

// The staging folders of a run for the output folder named `outName`
// (MakeFolderBeside's names): while a run holds the lock, any other in the
// parent folder is a killed run's.
bool IsStagingName(const std::string& name, const std::string& outName) {
    const std::string staging = "." + outName + ".make-medium-";
    if (name.rfind(staging, 0) != 0) return false;
    std::string unique = name.substr(staging.size());
    if (unique.rfind("old-", 0) == 0) unique.erase(0, 4);
    return unique.size() == 6 && std::all_of(unique.begin(), unique.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

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
    lock_ = InheritedLock(out_.parent_path());
    if (lock_ < 0) lock_ = ::open(out_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int locked = lock_ < 0 ? errno : ::flock(lock_, LOCK_EX | LOCK_NB) != 0 ? errno : 0;
    if (locked != 0) {
        problems.push_back(out_.parent_path().string() +
                           (locked == EWOULDBLOCK ? ": another make-medium run is laying out a medium in this folder; "
                                                    "refused, " + LeftAsItWas() + ": try again once it has ended"
                                                  : ": cannot be locked" + Because(locked) + "; refused, " +
                                                        LeftAsItWas()));
        return;
    }
    const fs::file_status status = fs::symlink_status(out_, error);
    if (!fs::exists(status)) return;
    std::error_code unreadable;
    const bool empty = fs::is_directory(status) && fs::is_empty(out_, unreadable);
    if (!fs::is_directory(status))
        problems.push_back(named + "not a folder; refused, left as it was");
    else if (unreadable)
        problems.push_back(named + "cannot be read (" + unreadable.message() + "); refused, left as it was");
    else if (!empty && !fs::is_regular_file(fs::symlink_status(out_ / kRecordName, error)))
        problems.push_back(named + "holds files that make-medium did not lay out (no " + kRecordName +
                           " record); refused, left as it was: give a new or empty folder");
    else if (!empty)
        earlier_ = CheckEarlier(named, problems);
}

// The earlier medium as its record lists it, or each difference named.
bool OutputFolder::CheckEarlier(const std::string& named, std::vector<std::string>& problems) const {
    std::ifstream in(out_ / kRecordName, std::ios::binary);
    const Record record = ParseRecord(std::string(std::istreambuf_iterator<char>(in), {}));
    if (record.kind == RecordKind::Older) {
        problems.push_back(named + "laid out by an earlier make-medium whose record lists no files, so whether it "
                                   "changed since cannot be told" + kMoveAside);
        return false;
    }
    if (record.kind == RecordKind::Damaged) {
        problems.push_back((out_ / kRecordName).string() + ": not a record make-medium wrote (" + record.damage +
                           "); " + out_.string() + kMoveAside);
        return false;
    }
    const std::vector<std::string> differences = Differences(record.contents, ContentsOf(out_));
    if (differences.empty()) return true;
    // One problem, its paths on the lines below it.
    const std::size_t shown = std::min(differences.size(), kDifferencesShown);
    const std::string more = shown < differences.size() ? ", the first " + std::to_string(shown) + " named" : "";
    std::string problem = named + "no longer holds exactly what make-medium laid out (" +
                          std::to_string(differences.size()) + (differences.size() == 1 ? " path" : " paths") +
                          " added, changed or missing against its record " + kRecordName + more + ")" + kMoveAside;
    for (std::size_t i = 0; i < shown; ++i) problem += "\n  " + out_.string() + "/" + differences[i];
    problems.push_back(problem);
    return false;
}

OutputFolder::~OutputFolder() {
    std::error_code ignored;
    if (!staging_.empty()) fs::remove_all(staging_, ignored);
    if (lock_ >= 0) ::close(lock_);
    if (blocked_) ::sigprocmask(SIG_SETMASK, &signals_, nullptr);
}

std::string OutputFolder::LeftAsItWas() const { return out_.string() + " left as it was"; }

bool OutputFolder::Stopped() {
    sigset_t pending;
    if (stoppedBy_ == 0 && ::sigpending(&pending) == 0)
        for (int signal : kStopSignals)
            if (sigismember(&pending, signal) == 1 && stoppedBy_ == 0) stoppedBy_ = signal;
    return stoppedBy_ != 0;
}

// Under the lock: no run that left these lives on.
void OutputFolder::RemoveLeftovers(std::vector<std::string>& notes) const {
    std::error_code error;
    std::string removed, kept;
    for (fs::directory_iterator it(out_.parent_path(), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!IsStagingName(name, out_.filename().string()) || !fs::is_directory(it->symlink_status(error))) continue;
        std::error_code failed;
        fs::remove_all(it->path(), failed);
        if (failed) kept += ", " + it->path().string() + " (" + failed.message() + ")";
        else removed += ", " + it->path().string();
    }
    if (!removed.empty()) notes.push_back("removed what killed runs left: " + removed.substr(2));
    if (!kept.empty()) notes.push_back("could not remove what killed runs left: " + kept.substr(2));
}

fs::path OutputFolder::Stage(std::vector<std::string>& problems, std::vector<std::string>& notes) {
    // An interruption waits until the staging folder is gone again or has
    // become the output folder.
    sigset_t stop;
    sigemptyset(&stop);
    for (int signal : kStopSignals) sigaddset(&stop, signal);
    blocked_ = ::sigprocmask(SIG_BLOCK, &stop, &signals_) == 0;
    RemoveLeftovers(notes);
    int error = 0;
    staging_ = MakeFolderBeside(out_, ".make-medium-", error);
    if (staging_.empty()) {
        problems.push_back("no staging folder could be made: " + WriteFailure(error, out_.parent_path()) + "; " +
                           LeftAsItWas());
        return {};
    }
    // mkdtemp's folder is private; the medium is a folder like any other.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(staging_.c_str(), 0777 & ~mask);
    return staging_;
}

bool OutputFolder::Finish(const std::string& program, std::vector<std::string>& problems,
                          std::vector<std::string>& notes) {
    if (Stopped() || program.empty()) return !Stopped();
    // The program can be stopped, whatever this run holds back.
    sigset_t mask = signals_;
    for (int signal : kStopSignals) sigdelset(&mask, signal);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setsigmask(&attributes, &mask);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    int said[2];
    if (::pipe2(said, O_CLOEXEC) != 0) {
        problems.push_back(program + ": could not be started" + Because(errno) + "; " + LeftAsItWas());
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, said[1], 2);
    std::string staging = staging_.string();
    char* argv[] = {const_cast<char*>(program.c_str()), staging.data(), nullptr};
    pid_t pid = 0;
    const int started = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(said[1]);
    const std::string output = started == 0 ? ReadAll(said[0]) : "";
    ::close(said[0]);
    if (started != 0) {
        problems.push_back(program + ": could not be started" + Because(started) + "; " + LeftAsItWas());
        return false;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (Stopped()) return false;  // what it said is of the stop
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const std::size_t before = problems.size();
    AddLines(output, ok ? notes : problems);
    if (ok || problems.size() != before) return ok;
    const std::string how = WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                                              : "killed by signal " + std::to_string(WTERMSIG(status));
    problems.push_back(program + " failed (" + how + "); " + LeftAsItWas());
    return false;
}

// Stop signals stay held back here: once this begins, the medium and its
// image take their places together, or, should either fail, neither does.
bool OutputFolder::SwapIn(const DiscImage& image, std::vector<std::string>& problems,
                          std::vector<std::string>& notes) {
    if (Stopped()) return false;
    const std::string left = LeftAsItWas() + (image.part.empty() ? "" : ", and " + image.file.string());
    // The record describes the medium as finished: signed, when it was.
    const Contents contents = ContentsOf(staging_);
    for (const auto& [path, what] : contents) {
        if (what == "folder" || what.rfind("file ", 0) == 0) continue;
        problems.push_back((staging_ / path).string() + ": " + what + " in the staged medium; " + left);
        return false;
    }
    if (const int error = WriteWhole(staging_ / kRecordName, RecordText(contents))) {
        problems.push_back("the record of the medium could not be written: " +
                           WriteFailure(error, staging_ / kRecordName) + "; " + left);
        return false;
    }
    // Looked at again: the image's place may have changed since the run began.
    const std::string place = image.part.empty() ? "" : ImagePlaceProblem(image);
    if (!place.empty()) {
        problems.push_back(place + "; refused, " + left);
        return false;
    }
    // The earlier medium moves aside under a name of our own, and back
    // should the new one, or its image, fail to take its place.
    int error = 0;
    fs::path old;
    if (earlier_) {
        old = MakeFolderBeside(out_, ".make-medium-old-", error);
        if (old.empty() || ::rename(out_.c_str(), old.c_str()) != 0) {
            error = error ? error : errno;
            if (!old.empty()) ::rmdir(old.c_str());
            problems.push_back(out_.string() + ": the earlier medium could not be moved aside" + Because(error) +
                               "; " + left);
            return false;
        }
    }
    std::string failed;
    if (::rename(staging_.c_str(), out_.c_str()) != 0) {
        error = errno;
        failed = "the staged medium " + staging_.string() + " could not become " + out_.string() + Because(error);
    } else if (!image.part.empty() && ::rename(image.part.c_str(), image.file.c_str()) != 0) {
        error = errno;
        failed = "the image " + image.part.string() + " could not become " + image.file.string() + Because(error);
        if (::rename(out_.c_str(), staging_.c_str()) != 0) {
            problems.push_back(failed + "; the new medium stays in " + out_.string() + Because(errno) +
                               (earlier_ ? ", the earlier one is now " + old.string() : "") + ": put it back");
            return false;
        }
    }
    if (!failed.empty()) {
        if (earlier_ && ::rename(old.c_str(), out_.c_str()) != 0)
            problems.push_back(failed + "; the earlier medium is now " + old.string() + Because(errno) +
                               ": move it back");
        else
            problems.push_back(failed + "; " + left);
        return false;
    }
    staging_.clear();
    std::error_code removed;
    if (earlier_) fs::remove_all(old, removed);
    if (removed)
        notes.push_back(old.string() + ": the earlier medium could not be removed (" + removed.message() +
                        "); remove it yourself");
    return true;
}

}  // namespace rs::medium
