// Small vendor and build folders for the medium tool's tests: a vendor
// folder made from what the program reads, to be broken one way at a time.
#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>
#include <strings.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "release_medium/medium_rules.h"
#include "tests/host/inf_support.h"
#include "tools/medium_layout/medium_layout.h"

namespace rs::medium_test {

namespace fs = std::filesystem;

inline void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

inline std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// `link` made a link to `target`, in place of what was there.
inline void Relink(const fs::path& link, const fs::path& target) {
    fs::remove_all(link);
    fs::create_symlink(target, link);
}

// An INF that every system reading it takes: ANSI, signed for Windows 9x,
// models undecorated and for x86 and x64.
inline const std::string kInf = test::Replaced(
    test::Replaced(test::kReaderInf, "$Windows NT$", "$Chicago$"), "%Mfg%=Models,NTx86\r\n",
    "%Mfg%=Models,NTx86,NTamd64\r\n[Models]\r\n%Desc%=Install,%HardwareId%\r\n[Models.NTamd64]\r\n"
    "%Desc%=Install,%HardwareId%\r\n");

// The file's path with each folder spelt as it already is on disk: the
// program names "drivers" also as "Drivers".
inline fs::path AsOnDisk(const fs::path& root, const fs::path& relative) {
    fs::path at = root;
    for (const fs::path& part : relative) {
        fs::path next = at / part;
        if (fs::is_directory(at))
            for (const auto& entry : fs::directory_iterator(at))
                if (strcasecmp(entry.path().filename().c_str(), part.c_str()) == 0) next = entry.path();
        at = next;
    }
    return at;
}

// A vendor folder and a build folder holding every file any run reads.
struct Folders {
    fs::path root, vendor, build;
    medium::Sources sources;

    Folders() {
        char tmpl[] = "/tmp/rs-medium-test.XXXXXX";
        root = mkdtemp(tmpl);
        vendor = root / "vendor";
        build = root / "build";
        for (const char* file : {"product/setup.exe", "product/pnpbind.dll", "win64/pnpbind64.exe"})
            Write(build / file, "MZ");
        sources = {vendor, medium::BuildFilesOf(build), build};
        std::set<std::string> fromBuild;
        for (const medium::BuildFile& file : sources.build) fromBuild.insert("Setup/" + file.name);
        for (PlatformCode platform = 1; platform <= 12; ++platform) {
            for (const MediumRead& read : MediumReadsOn(platform)) {
                const fs::path at = AsOnDisk(vendor, medium::MediumPath(read.path));
                if (fromBuild.count(medium::MediumPath(read.path))) continue;
                if (read.item == MediumItem::Folder) Write(at / "guide.css", "body{}");
                else Write(at, read.item == MediumItem::Inf ? kInf : "MZ");
            }
        }
    }
    ~Folders() { fs::remove_all(root); }

    medium::Report Check() const { return medium::CheckMedium(sources); }
};

inline std::string AllOf(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

// Every path below `root` with its size or link target, links not followed:
// equal listings before and after a run mean the run changed nothing.
inline std::string Listing(const fs::path& root) {
    std::set<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied)) {
        const std::string path = entry.path().lexically_relative(root).string();
        if (entry.is_symlink()) lines.insert(path + " -> " + fs::read_symlink(entry.path()).string());
        else lines.insert(path + (entry.is_regular_file() ? " " + std::to_string(entry.file_size()) : "/"));
    }
    return AllOf({lines.begin(), lines.end()});
}

// A medium laid out whole in `out`, with its record.
inline void ExpectWholeMedium(const Folders& f, const fs::path& out) {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, f.Check().files + 1) << out;
    EXPECT_TRUE(fs::is_regular_file(out / ".make-medium")) << out;
}


}  // namespace rs::medium_test
