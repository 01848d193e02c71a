// medium_layout BUILD_ROOT VENDOR_DIR OUTDIR: see tools/make-medium.sh.
#include <cstdio>
#include <exception>

#include "tools/medium_layout/medium_layout.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BUILD_ROOT VENDOR_DIR OUTDIR\n", argv[0]);
        return 2;
    }
    namespace m = rs::medium;
    try {
        const m::Sources sources{argv[2], m::BuildFilesOf(argv[1])};
        const m::Report report = m::LayOutMedium(sources, argv[3]);
        for (const std::string& path : report.unread) std::printf("make-medium: note: not read by setup.exe: %s\n", path.c_str());
        if (!report.problems.empty()) {
            for (const std::string& problem : report.problems) std::fprintf(stderr, "make-medium: %s\n", problem.c_str());
            std::fprintf(stderr, "make-medium: refused (%zu problems); nothing written to %s\n", report.problems.size(),
                         argv[3]);
            return 1;
        }
        std::printf("make-medium: %s laid out (%zu files)\n", argv[3], report.files);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-medium: %s\n", e.what());
        return 1;
    }
}
