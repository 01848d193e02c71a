// medium_layout [--finish PROGRAM] [--image PART FILE] BUILD_ROOT VENDOR_DIR
// OUTDIR: see tools/make-medium.sh. PROGRAM runs on the staged medium (its
// one argument, the staging folder) before it takes OUTDIR's place; the disc
// image PART (PROGRAM makes it) then takes FILE's place with it.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "tools/medium_layout/medium_layout.h"

namespace {

constexpr const char* kUsage = "usage: %s [--finish PROGRAM] [--image PART FILE] BUILD_ROOT VENDOR_DIR OUTDIR\n";

constexpr const char* kHelp =
    "Checks an installation medium against what setup.exe reads on every platform, then lays it out in\n"
    "OUTDIR: Setup/ and InstallationGuide/ from VENDOR_DIR, setup.exe and pnpbind.dll from\n"
    "BUILD_ROOT/product, pnpbind64.exe from BUILD_ROOT/win64, and the record .make-medium (every file\n"
    "with its size and SHA-256).\n"
    "  BUILD_ROOT   a build of tools/build.sh; only read\n"
    "  VENDOR_DIR   the vendor's files as they stand on the medium; only read\n"
    "  OUTDIR       absent, empty, or a medium laid out earlier that still holds exactly what its\n"
    "               record lists; anything else is refused and left as it is\n"
    "  --finish PROGRAM  runs PROGRAM STAGING_FOLDER on the complete staged medium before it takes\n"
    "               OUTDIR's place; its failure refuses the run, each line it writes on its standard\n"
    "               error a problem (indented lines belong to the one before)\n"
    "  --image PART FILE  the disc image PART, which PROGRAM makes, takes FILE's place together with\n"
    "               OUTDIR's swap: both change, or neither; FILE may be absent or an image with PART's\n"
    "               application ID\n"
    "  --help       this text\n"
    "Exit code 0 laid out, 1 refused (OUTDIR left as it was), 2 wrong usage, 128 + the signal when\n"
    "stopped (Ctrl-C: 130; OUTDIR left as it was).\n";

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The first stop signal that came while they were held back; 0: none.
int PendingStop() {
    sigset_t pending;
    if (::sigpending(&pending) != 0) return 0;
    for (int signal : kStopSignals)
        if (sigismember(&pending, signal) == 1) return signal;
    return 0;
}

// make-medium.sh removes what killed runs left elsewhere before this runs
// (RS_MEDIUM_REMOVED, those paths as it tells them): told in one line with
// what this run removed.
void TellRemovedBefore(std::vector<std::string>& notes) {
    const char* before = std::getenv("RS_MEDIUM_REMOVED");
    if (!before || !*before) return;
    const std::string told = "removed what killed runs left: ";
    for (std::string& note : notes) {
        if (note.rfind(told, 0) != 0) continue;
        note.insert(told.size(), std::string(before) + ", ");
        return;
    }
    notes.insert(notes.begin(), told + before);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::printf(kUsage, argv[0]);
        std::fputs(kHelp, stdout);
        return 0;
    }
    std::string finish;
    rs::medium::DiscImage image;
    int first = 1;
    for (; first < argc && argv[first][0] == '-' && argv[first][1] == '-'; ++first) {
        const std::string option = argv[first];
        if (option == "--finish" && first + 1 < argc && *argv[first + 1]) {
            finish = argv[++first];
        } else if (option == "--image" && first + 2 < argc && *argv[first + 1] && *argv[first + 2]) {
            image = {argv[first + 1], argv[first + 2]};
            first += 2;
        } else {
            break;
        }
    }
    if (argc != first + 3 || (!image.part.empty() && finish.empty())) {
        std::fprintf(stderr, kUsage, argv[0]);
        std::fprintf(stderr, "%s --help explains the arguments\n", argv[0]);
        return 2;
    }
    // A stop is told, not died of: held back for the whole run, and looked
    // at where stopping leaves OUTDIR as it was.
    sigset_t stop;
    sigemptyset(&stop);
    for (int signal : kStopSignals) sigaddset(&stop, signal);
    ::sigprocmask(SIG_BLOCK, &stop, nullptr);
    const char* build = argv[first];
    const char* out = argv[first + 2];
    namespace m = rs::medium;
    try {
        const m::Sources sources{argv[first + 1], m::BuildFilesOf(build), build};
        m::Report report = m::LayOutMedium(sources, out, finish, image);
        TellRemovedBefore(report.notes);
        if (!report.problems.empty() && report.stoppedBy == 0) report.stoppedBy = PendingStop();
        for (const std::string& path : report.unread) std::printf("make-medium: note: not read by setup.exe: %s\n", path.c_str());
        for (const std::string& note : report.notes) std::printf("make-medium: note: %s\n", note.c_str());
        std::fflush(stdout);
        for (const std::string& problem : report.problems) std::fprintf(stderr, "make-medium: %s\n", problem.c_str());
        if (report.stoppedBy != 0) {
            std::fprintf(stderr, "make-medium: stopped (%s); nothing changed: %s left as it was\n",
                         report.stoppedBy == SIGINT ? "Ctrl-C" : strsignal(report.stoppedBy), out);
            return 128 + report.stoppedBy;
        }
        if (!report.problems.empty()) {
            const std::size_t count = report.problems.size();
            std::fprintf(stderr, "make-medium: refused (%zu problem%s); %s left as it was\n", count,
                         count == 1 ? "" : "s", out);
            return 1;
        }
        std::printf("make-medium: %s laid out (%zu files)\n", out, report.files);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-medium: %s\n", e.what());
        return 1;
    }
}
