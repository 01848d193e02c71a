// The medium check and layout on small folders: a vendor folder made from
// what the program reads, then broken one way at a time.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <strings.h>

#include <fstream>
#include <functional>

#include "install/copy_table.h"
#include "tests/host/inf_support.h"
#include "tools/medium_layout/medium_layout.h"
#include "ui/medium_rules.h"

using namespace rs;
namespace fs = std::filesystem;

namespace {

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

const std::string& kInf = test::kReaderInf;

// The file's path with each folder spelt as it already is on disk: the
// program names "drivers" also as "Drivers".
fs::path AsOnDisk(const fs::path& root, const fs::path& relative) {
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
        for (const char* name : {"setup.exe", "pnpbind.dll", "pnpbind64.exe"}) {
            Write(build / name, "MZ");
            sources.build.push_back({name, build / name});
        }
        sources.vendor = vendor;
        for (PlatformCode platform = 1; platform <= 12; ++platform) {
            for (const MediumRead& read : MediumReadsOn(platform)) {
                const fs::path at = AsOnDisk(vendor, medium::MediumPath(read.path));
                if (at.parent_path() == vendor / "Setup" && fs::exists(build / at.filename())) continue;
                if (read.item == MediumItem::Folder) Write(at / "guide.css", "body{}");
                else Write(at, read.item == MediumItem::Inf ? kInf : "MZ");
            }
        }
    }
    ~Folders() { fs::remove_all(root); }

    medium::Report Check() const { return medium::CheckMedium(sources); }
};

std::string AllOf(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    return all;
}

}  // namespace

TEST(MediumLayout, CompleteFolderIsLaidOutWhole) {
    Folders f;
    // A Unicode INF with its section in other letter case passes too.
    Write(f.vendor / "Setup/smclib/scbase.inf", test::Utf16Le(test::Replaced(kInf, "[Version]", "[veRSION]")));
    Write(f.vendor / "Setup/readme.txt", "notes");
    const fs::path out = f.root / "medium";
    Write(out / "stale.txt", "from an earlier layout");

    const medium::Report report = medium::LayOutMedium(f.sources, out);
    EXPECT_EQ(AllOf(report.problems), "");
    EXPECT_EQ(AllOf(report.unread), "Setup/readme.txt\n");
    EXPECT_FALSE(fs::exists(out / "stale.txt"));
    EXPECT_FALSE(fs::exists(f.root / "medium.part"));
    for (const char* file : {"Setup/setup.exe", "Setup/pnpbind64.exe", "Setup/drivers/ORVEX.ncp", "Setup/Vista64.exe",
                             "Setup/drivers/winxp/orvex.inf", "InstallationGuide/KWIN98.htm",
                             "InstallationGuide/CWINXP.files/guide.css", "Setup/readme.txt"})
        EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(report.files, files);
}

// Each broken folder gives exactly one problem, naming the path expected
// and who reads it, and leaves the output folder as it was.
TEST(MediumLayout, RefusesEachProblemNamingThePath) {
    struct Case {
        const char* name;
        std::function<void(Folders&)> breakIt;
        std::vector<std::string> said;
        std::vector<std::string> notSaid;
    };
    const std::vector<Case> cases = {
        {"missing driver", [](Folders& f) { fs::remove(f.vendor / "Setup/drivers/ORVEX.sys"); },
         {"vendor/Setup/drivers/ORVEX.sys: missing", "copy table row 3", "Windows 95 (1)", "Windows Me (3)"},
         {"Windows XP 32-bit (6)", "Windows NT 4.0 (4)"}},
        {"empty library", [](Folders& f) { Write(f.vendor / "Setup/smclib/advpack.dll", ""); },
         {"vendor/Setup/smclib/advpack.dll: empty", "copy table row 9", "Windows NT 4.0 (4)"}, {"Windows 98"}},
        {"missing Korean guide page", [](Folders& f) { fs::remove(f.vendor / "InstallationGuide/KWINXP.htm"); },
         {"vendor/InstallationGuide/KWINXP.htm: missing", "guide page, Korean", "Windows 2000 (5)",
          "Windows later than Vista (11)"},
         {"Windows Vista 32-bit (9)"}},
        {"guide folder without files", [](Folders& f) { fs::remove(f.vendor / "InstallationGuide/CWIN98.files/guide.css"); },
         {"vendor/InstallationGuide/CWIN98.files: folder without files", "guide folder, Traditional Chinese"}, {}},
        {"missing 64-bit helper", [](Folders& f) { fs::remove(f.build / "pnpbind64.exe"); },
         {"build/pnpbind64.exe: missing", "64-bit binding helper", "(8, 64-bit)", "(11, 64-bit)"},
         {"Windows XP 32-bit (6)"}},
        {"binding INF without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/winxp/orvex.inf", "; [Version]\r\n[Strings]\r\n"); },
         {"vendor/Setup/drivers/winxp/orvex.inf: INF without a [Version] section", "binding INF"}, {}},
        {"reader INF stored as .ncp without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/ORVEX.ncp", "[Strings]\r\n"); },
         {"ORVEX.ncp: INF without a [Version] section", "copy table row 1, copy table row 14"}, {}},
        {"binding INF without the reader's hardware ID",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/winxp/orvex.inf", test::Replaced(kInf, "%HardwareId%", "USB\\Vid_0d4e"));
         },
         {"vendor/Setup/drivers/winxp/orvex.inf, line 4: no models section", "Pid_0010 (binding INF",
          "Windows XP 32-bit (6)"},
         {"Windows 2000"}},
        {"reader INF without the reader's hardware ID",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/ORVEX.ncp", test::Replaced(kInf, "[Manufacturer]", "[Maker]"));
         },
         {"drivers/ORVEX.ncp: no [Manufacturer] section", "copy table row 1, copy table row 14"}, {}},
        {"binding INF's driver file missing",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/win2000/orvex.inf",
                   kInf + "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles]\r\norvex.sys=1\r\n");
         },
         {"win2000/orvex.inf, line 15: [SourceDisksFiles] names orvex.sys, not on the medium at "
          "Setup/drivers/win2000/orvex.sys (binding INF, read as .\\Drivers\\win2000\\orvex.inf on Windows 2000 (5))"},
         {}},
        {"reader INF saved as UTF-8 with a byte-order mark",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/ORVEX.ncp", "\xEF\xBB\xBF" + kInf); },
         {"drivers/ORVEX.ncp: saved as UTF-8 with a byte-order mark", "copy table row 1"}, {}},
        {"names differ only in case", [](Folders& f) { Write(f.vendor / "Setup/Drivers/winxp/orvex.inf", kInf); },
         {"vendor/Setup/Drivers, ", "vendor/Setup/drivers: names that differ only in letter case"}, {}},
        {"a build program in the vendor folder", [](Folders& f) { Write(f.vendor / "Setup/Setup.exe", "MZ"); },
         {"vendor/Setup/Setup.exe: comes from the build"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        c.breakIt(f);
        const fs::path out = f.root / "medium";
        Write(out / "kept.txt", "earlier medium");
        const medium::Report report = medium::LayOutMedium(f.sources, out);
        ASSERT_EQ(report.problems.size(), 1u) << AllOf(report.problems);
        for (const std::string& text : c.said) EXPECT_NE(report.problems[0].find(text), std::string::npos) << text;
        for (const std::string& text : c.notSaid) EXPECT_EQ(report.problems[0].find(text), std::string::npos) << text;
        EXPECT_EQ(fs::directory_iterator(out)->path().filename(), "kept.txt");
        EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
        EXPECT_FALSE(fs::exists(f.root / "medium.part"));
    }
}

// A row of the program's copy table is checked with nothing else to add.
TEST(MediumLayout, EveryCopyTableSourceIsRequired) {
    for (const CopyRow& row : kCopyTable) {
        Folders f;
        fs::remove(f.vendor / medium::MediumPath(row.source));
        const std::string problems = AllOf(f.Check().problems);
        EXPECT_NE(problems.find("copy table row " + std::to_string(row.number)), std::string::npos)
            << row.number << "\n" << problems;
    }
}

TEST(MediumLayout, OutputInsideTheVendorFolderIsRefused) {
    Folders f;
    const medium::Report report = medium::LayOutMedium(f.sources, f.vendor / "out");
    EXPECT_NE(AllOf(report.problems).find("overlap"), std::string::npos) << AllOf(report.problems);
    EXPECT_FALSE(fs::exists(f.vendor / "out"));
}

TEST(MediumReads, PerPlatform) {
    auto paths = [](PlatformCode platform) {
        std::string all;
        for (const MediumRead& read : MediumReadsOn(platform))
            all += read.path + (read.only64Bit ? " (64)" : "") + "\n";
        return all;
    };
    EXPECT_EQ(paths(12), ".\\setup.exe\n.\\pnpbind.dll\n");
    EXPECT_NE(paths(5).find(".\\Drivers\\win2000\\orvex.inf\n"), std::string::npos);
    EXPECT_NE(paths(6).find(".\\Drivers\\winxp\\orvex.inf\n"), std::string::npos);
    EXPECT_NE(paths(3).find(".\\smclib\\scbase.inf\n"), std::string::npos);
    EXPECT_NE(paths(9).find(".\\Vista32.exe\n"), std::string::npos);
    EXPECT_EQ(paths(4).find("InstallationGuide"), std::string::npos);  // NT 4.0 installs no utilities
    for (PlatformCode platform = 1; platform <= 12; ++platform) {
        const bool helper = platform == 8 || platform == 11;
        EXPECT_EQ(paths(platform).find(".\\pnpbind64.exe (64)\n") != std::string::npos, helper) << platform;
    }
}
