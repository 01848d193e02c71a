// make_catalog [--version 1|2] [--time SECONDS] CATALOG INF: writes the
// unsigned catalog of a driver package (tools/make-catalog.sh signs it).
// Everything is read and checked first; CATALOG must not exist, and is
// the only path written.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <iterator>

#include "tools/medium_layout/catalog_writer.h"
#include "tools/medium_layout/file_writes.h"

namespace {

constexpr const char* kUsage = "usage: %s [--version 1|2] [--time SECONDS] CATALOG INF\n";

int Fail(const std::string& problem) {
    std::fprintf(stderr, "make-catalog: %s\n", problem.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int version = 1, first = 1;
    std::int64_t time = static_cast<std::int64_t>(std::time(nullptr));
    for (; first + 1 < argc && argv[first][0] == '-'; first += 2) {
        const std::string option = argv[first], value = argv[first + 1];
        char* end = nullptr;
        const long long number = std::strtoll(value.c_str(), &end, 10);
        if (option == "--version" && (value == "1" || value == "2")) version = value[0] - '0';
        else if (option == "--time" && !value.empty() && *end == '\0' && number >= 0) time = number;
        else first = argc;  // wrong usage
    }
    if (argc != first + 2) {
        std::fprintf(stderr, kUsage, argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path catalog = argv[first], inf = argv[first + 1];
    try {
        std::error_code error;
        if (fs::symlink_status(catalog, error).type() != fs::file_type::not_found)
            return Fail(catalog.string() + ": exists; a catalog is never written over: remove it or name another");
        const rs::medium::CatalogPlan plan = rs::medium::PlanCatalog(inf);
        for (const std::string& problem : plan.problems) Fail(problem);
        if (!plan.problems.empty()) return Fail("no catalog made, nothing written");
        std::vector<rs::medium::CatalogMember> members;
        for (const fs::path& file : plan.files) {
            std::ifstream in(file, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (!in.good() && !in.eof()) return Fail(file.string() + ": cannot be read");
            members.push_back({file.filename().string(), std::move(bytes)});
        }
        const std::string bytes = rs::medium::CatalogBytes(members, version, time);
        if (bytes.empty()) return Fail(catalog.string() + ": libcrypto could not hash the files");
        if (const int failed = rs::medium::WriteWhole(catalog, bytes)) {
            if (failed != EEXIST) fs::remove(catalog, error);  // what this run began to write
            return Fail(failed == EEXIST ? catalog.string() + ": exists; a catalog is never written over"
                                         : rs::medium::WriteFailure(failed, catalog));
        }
        for (const fs::path& file : plan.files) std::printf("make-catalog: %s\n", file.string().c_str());
        return 0;
    } catch (const std::exception& e) {
        return Fail(catalog.string() + ": " + e.what());
    }
}
