// medium_layout [--finish PROGRAM] BUILD_ROOT VENDOR_DIR OUTDIR: see
// tools/make-medium.sh. PROGRAM runs on the staged medium (its one argument,
// the staging folder) before it takes OUTDIR's place.
#include <cstdio>
#include <cstring>
#include <exception>

#include "tools/medium_layout/medium_layout.h"

int main(int argc, char** argv) {
    const bool finishing = argc > 1 && std::strcmp(argv[1], "--finish") == 0;
    const int first = finishing ? 3 : 1;
    if (argc != first + 3 || (finishing && argv[2][0] == '\0')) {
        std::fprintf(stderr, "usage: %s [--finish PROGRAM] BUILD_ROOT VENDOR_DIR OUTDIR\n", argv[0]);
        return 2;
    }
    const char* build = argv[first];
    const char* out = argv[first + 2];
    namespace m = rs::medium;
    try {
        const m::Sources sources{argv[first + 1], m::BuildFilesOf(build), build};
        const m::Report report = m::LayOutMedium(sources, out, finishing ? argv[2] : "");
        for (const std::string& path : report.unread) std::printf("make-medium: note: not read by setup.exe: %s\n", path.c_str());
        for (const std::string& note : report.notes) std::printf("make-medium: note: %s\n", note.c_str());
        if (!report.problems.empty()) {
            for (const std::string& problem : report.problems) std::fprintf(stderr, "make-medium: %s\n", problem.c_str());
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
