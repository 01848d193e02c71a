// The medium check and layout on small folders: a vendor folder made from
// what the program reads, then broken one way at a time.
#include <gtest/gtest.h>

#include <functional>

#include "install/copy_table.h"
#include "tests/host/medium_support.h"

using namespace rs;
using namespace rs::medium_test;

TEST(MediumLayout, CompleteFolderIsLaidOutWhole) {
    Folders f;
    // A Unicode INF that only Windows NT reads, its section in other letter case, passes too.
    Write(f.vendor / "Setup/drivers/winnt4/orvexunst.inf", test::Utf16Le(test::Replaced(kInf, "[Version]", "[veRSION]")));
    Write(f.vendor / "Setup/readme.txt", "notes");
    // Links are followed: the medium holds what they lead to.
    fs::rename(f.vendor / "Setup/drivers", f.root / "drivers");
    fs::create_directory_symlink(f.root / "drivers", f.vendor / "Setup/drivers");
    Write(f.root / "ORVEX.real", "driver");
    Relink(f.root / "drivers/ORVEX.sys", "../ORVEX.real");
    const fs::path out = f.root / "medium";
    ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    Write(out / "stale.txt", "from an earlier layout");
    Write(f.root / "medium.part/own.txt", "not the command's");

    const medium::Report report = medium::LayOutMedium(f.sources, out);
    EXPECT_EQ(AllOf(report.problems), "");
    EXPECT_EQ(AllOf(report.unread), "Setup/readme.txt\n");
    EXPECT_FALSE(fs::exists(out / "stale.txt"));
    EXPECT_TRUE(fs::exists(f.root / "medium.part/own.txt"));
    EXPECT_EQ(Read(out / "Setup/drivers/ORVEX.sys"), "driver");
    EXPECT_FALSE(fs::is_symlink(out / "Setup/drivers"));
    for (const char* file : {"Setup/setup.exe", "Setup/pnpbind64.exe", "Setup/drivers/ORVEX.ncp", "Setup/Vista64.exe",
                             "Setup/drivers/winxp/orvex.inf", "InstallationGuide/KWIN98.htm",
                             "InstallationGuide/CWINXP.files/guide.css", "Setup/readme.txt"})
        EXPECT_TRUE(fs::is_regular_file(out / file)) << file;
    ExpectWholeMedium(f, out);
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
        {"missing 64-bit helper", [](Folders& f) { fs::remove(f.build / "win64/pnpbind64.exe"); },
         {"build/win64/pnpbind64.exe: missing", "64-bit binding helper", "(8, 64-bit)", "(11, 64-bit)"},
         {"Windows XP 32-bit (6)"}},
        {"binding INF without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/winxp/orvex.inf", "; [Version]\r\n[Strings]\r\n"); },
         {"vendor/Setup/drivers/winxp/orvex.inf: INF without a [Version] section", "binding INF"}, {}},
        {"reader INF stored as .ncp without [Version]",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/ORVEX.ncp", "[Strings]\r\n"); },
         {"ORVEX.ncp: INF without a [Version] section (installed into the Windows inf folder, read by Windows 95, 98, "
          "Me, 2000, XP (32-bit)"},
         {}},
        {"binding INF without the reader's hardware ID",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/winxp/orvex.inf",
                   test::Replaced(kInf, "NTx86]\r\n%Desc%=Install,%HardwareId%", "NTx86]\r\n%Desc%=Install,USB\\Vid_0d4e"));
         },
         {"vendor/Setup/drivers/winxp/orvex.inf, line 5: Windows XP (32-bit), Server 2003 (32-bit)",
          "[Models.NTx86], which does not name it (binding INF, read by Windows XP (32-bit)"},
         {"Windows 2000", "(64-bit) would not find"}},
        {"reader INF without the reader's hardware ID",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/ORVEX.ncp", test::Replaced(kInf, "[Manufacturer]", "[Maker]"));
         },
         {"drivers/ORVEX.ncp: Windows 95, 98 and Me would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: "
          "the INF has no [Manufacturer] section"},
         {}},
        {"binding INF's driver file missing",
         [](Folders& f) {
             Write(f.vendor / "Setup/drivers/win2000/orvex.inf",
                   kInf + "[SourceDisksNames]\r\n1=Disk\r\n[SourceDisksFiles]\r\norvex.sys=1\r\n");
         },
         {"win2000/orvex.inf, line 19: [SourceDisksFiles] names orvex.sys, not on the medium at "
          "Setup/drivers/win2000/orvex.sys (binding INF, read by Windows 2000)"},
         {}},
        {"reader INF saved as UTF-8 with a byte-order mark",
         [](Folders& f) { Write(f.vendor / "Setup/drivers/ORVEX.ncp", "\xEF\xBB\xBF" + kInf); },
         {"drivers/ORVEX.ncp: saved as UTF-8 with a byte-order mark", "read by Windows 95, 98, Me"}, {}},
        {"names differ only in case", [](Folders& f) { Write(f.vendor / "Setup/Drivers/winxp/orvex.inf", kInf); },
         {"vendor/Setup/Drivers, ", "vendor/Setup/drivers: names that differ only in letter case"}, {}},
        {"a build program in the vendor folder", [](Folders& f) { Write(f.vendor / "Setup/Setup.exe", "MZ"); },
         {"vendor/Setup/Setup.exe: comes from the build"}, {}},
        {"the record in the vendor folder", [](Folders& f) { Write(f.vendor / ".make-medium", "copied"); },
         {"vendor/.make-medium: the record that make-medium writes"}, {}},
        {"setup.exe only in the win32 tree",
         [](Folders& f) {
             Write(f.build / "win32/pnpbind.dll", "MZ");
             fs::rename(f.build / "product/setup.exe", f.build / "win32/setup.exe");
             f.sources.build = medium::BuildFilesOf(f.build);
         },
         {"build/product/setup.exe: missing", "the setup program"}, {"win32"}},
        {"vendor folder is a file",
         [](Folders& f) {
             fs::remove_all(f.vendor);
             Write(f.vendor, "MZ");
         },
         {"vendor: vendor folder: not a folder"}, {"missing"}},
        {"dangling link", [](Folders& f) { Relink(f.vendor / "Setup/drivers/ORVEX.sys", "gone.sys"); },
         {"ORVEX.sys: a link to nothing (gone.sys)", "copy table row 3", "Windows 95 (1)"}, {}},
        {"loop of links", [](Folders& f) { Relink(f.vendor / "Setup/smclib/advpack.dll", "advpack.dll"); },
         {"advpack.dll: a loop of links", "copy table row 9"}, {}},
        {"folder link back up",
         [](Folders& f) { fs::create_directory_symlink("..", f.vendor / "InstallationGuide/EWIN98.files/up"); },
         {"EWIN98.files/up: a link to a folder that holds it (a loop)", "guide folder, English"}, {}},
        {"link to a folder outside that the output folder holds",
         [](Folders& f) { Relink(f.vendor / "Setup/utility", f.root / "medium/Setup/utility"); },
         {"medium (output folder) and ", "medium/Setup/utility (read through a link) overlap"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        const fs::path out = f.root / "medium";
        ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
        c.breakIt(f);
        const std::string before = Listing(f.root);
        const medium::Report report = medium::LayOutMedium(f.sources, out);
        ASSERT_EQ(report.problems.size(), 1u) << AllOf(report.problems);
        for (const std::string& text : c.said) EXPECT_NE(report.problems[0].find(text), std::string::npos) << text;
        for (const std::string& text : c.notSaid) EXPECT_EQ(report.problems[0].find(text), std::string::npos) << text;
        EXPECT_EQ(Listing(f.root), before);
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

// The output folder is replaced only when it is absent, empty or an earlier
// medium; a refusal leaves every folder as it was.
TEST(MediumLayout, ReplacesOnlyWhatItLaidOut) {
    struct Case {
        const char* name;
        std::function<void(Folders&, fs::path& out)> prepare;
        const char* finish;
        const char* said;  // empty: laid out
    };
    const std::vector<Case> cases = {
        {"empty folder", [](Folders&, fs::path& out) { fs::create_directory(out); }, "", ""},
        {"a folder of one's own", [](Folders&, fs::path& out) { Write(out / "notes.txt", "mine"); }, "",
         "medium: holds files that make-medium did not lay out"},
        {"a file", [](Folders&, fs::path& out) { Write(out, "mine"); }, "", "medium: not a folder"},
        {"no parent folder", [](Folders& f, fs::path& out) { out = f.root / "none/medium"; }, "",
         "none/medium: its parent folder is missing"},
        {"inside the build root", [](Folders& f, fs::path& out) { out = f.build / "medium"; }, "",
         "build/medium (output folder) and " },
        {"holding the build root",
         [](Folders& f, fs::path& out) {
             ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
             fs::rename(f.build, out / "build");
             f.sources = {f.vendor, medium::BuildFilesOf(out / "build"), out / "build"};
         },
         "", "medium/build (build root) overlap"},
        {"vendor folder inside the build root",
         [](Folders& f, fs::path&) {
             fs::rename(f.vendor, f.build / "vendor");
             f.sources.vendor = f.build / "vendor";
         },
         "", "build/vendor (vendor folder) and "},
        {"finishing program fails",
         [](Folders& f, fs::path& out) { ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), ""); },
         "/bin/false", "/bin/false failed (exit 1); "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Folders f;
        fs::path out = f.root / "medium";
        c.prepare(f, out);
        const std::string before = Listing(f.root);
        const medium::Report report = medium::LayOutMedium(f.sources, out, c.finish);
        EXPECT_NE(AllOf(report.problems).find(c.said), std::string::npos) << AllOf(report.problems);
        if (*c.said) EXPECT_EQ(Listing(f.root), before);
        else ExpectWholeMedium(f, out);
    }
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
