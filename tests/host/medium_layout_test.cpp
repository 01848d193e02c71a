// The medium check and layout on small folders: a vendor folder made from
// what the program reads, then broken one way at a time.
#include <gtest/gtest.h>

#include <functional>

#include "install/copy_table.h"
#include "tests/host/medium_support.h"
#include "tools/medium_layout/record.h"
#include "tools/medium_layout/sha256.h"

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
    Write(f.root / "medium.part/own.txt", "not the command's");

    const medium::Report report = medium::LayOutMedium(f.sources, out);
    EXPECT_EQ(AllOf(report.problems), "");
    EXPECT_EQ(AllOf(report.unread), "Setup/readme.txt\n");
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
         {"vendor/Setup/drivers/winxp/orvex.inf, line 5: Windows XP (32-bit), 7 (32-bit)",
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
         {"win2000/orvex.inf, line 20: [SourceDisksFiles] names orvex.sys, not on the medium at "
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

// A name Windows cannot hold, in any folder, refuses the medium by its
// path (one problem each); names that only look alike pass. The vendor's
// setup folder spelt otherwise would stand beside the medium's own Setup.
TEST(MediumLayout, RefusesNamesWindowsCannotHold) {
    const std::pair<std::string, std::string> cases[] = {  // below Setup/utility; problem (empty: accepted)
        {"q?.txt", "utility/q?.txt: a name with ?, which Windows does not allow in names; rename it"},
        {"back\\slash.txt", "a name with \\, "}, {"a<b>c", "a name with <, "}, {"pipe|\"x\"", "a name with |, "},
        {"tab\x01x", "a name with the control character 0x01, "}, {"x\x1f", "control character 0x1F, "},
        {"dot.", "utility/dot.: a name ending in a dot, which Windows drops"},
        {"blank ", "utility/blank : a name ending in a blank, which Windows drops"},
        {"con.txt", "utility/con.txt: the name of the device CON on Windows"}, {"CON.tar.gz", "the device CON "},
        {"Lpt9", "the device LPT9 "}, {"nul .txt", "the device NUL "}, {"prn", "PRN "}, {"com1.log", "COM1 "},
        {"aux/readme.txt", "utility/aux: the name of the device AUX"}, {"console.txt", ""}, {"com10.txt", ""},
        {"lpt0", ""}, {"con_txt", ""}, {".dotfile", ""}, {"a b.c d", ""}, {"com\u00b9.txt", "the device COM\u00b9 "},
        {"Lpt\u00b3", "the device LPT\u00b3 "}, {"com\u2074", ""}, {"lpt\u00b9\u00b9", ""},
        // Setup/utility/ is 14 characters: 256 from the root, and no more, open on Windows.
        {std::string(242, 'n'), ""}, {std::string(241, 'n') + "\u00e9", ""},
        {std::string(243, 'n'), "utility/" + std::string(243, 'n') + ": a path of 257 characters from the medium's root"},
        {std::string(250, 'd') + "/file.txt", "utility/" + std::string(250, 'd') + ": a path of 264 characters"}};
    for (const auto& [name, problem] : cases) {
        SCOPED_TRACE(name);
        Folders f;
        Write(f.vendor / "Setup/utility" / name, "x");
        const std::vector<std::string> problems = f.Check().problems;
        EXPECT_EQ(problems.size(), problem.empty() ? 0u : 1u) << AllOf(problems);
        EXPECT_NE(AllOf(problems).find(problem), std::string::npos) << AllOf(problems);
    }
    Folders f;
    fs::rename(f.vendor / "Setup", f.vendor / "SETUP");
    EXPECT_EQ(AllOf(f.Check().problems), (f.vendor / "SETUP").string() +
                                             ", Setup (the medium's own folder for setup.exe, pnpbind.dll, "
                                             "pnpbind64.exe): names that differ only in letter case, one name on "
                                             "Windows\n");
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
// medium that holds exactly what its record lists; a refusal names each
// difference and leaves every folder as it was.
TEST(MediumLayout, ReplacesOnlyWhatItLaidOut) {
    struct Case {
        const char* name;
        std::function<void(Folders&, fs::path& out)> prepare;
        const char* finish;
        const char* said;  // empty: laid out; else the one problem told
    };
    const auto laidOut = [](Folders& f, fs::path& out) {
        ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out).problems), "");
    };
    const auto then = [laidOut](std::function<void(const fs::path&)> change) {
        return [laidOut, change](Folders& f, fs::path& out) {
            laidOut(f, out);
            change(out);
        };
    };
    const std::vector<Case> cases = {
        {"a file added", then([](const fs::path& out) { Write(out / "NOTES.txt", "mine"); }), "",
         "medium: no longer holds exactly what make-medium laid out (1 path added, changed or missing against its "
         "record .make-medium); refused, left as it was (no option overrides this): move the folder aside, or "
         "choose another, and run again\n  /"},
        {"a file edited, its size kept",
         then([](const fs::path& out) { Write(out / "Setup/drivers/ORVEX.ncp", "X" + kInf.substr(1)); }), "",
         "medium/Setup/drivers/ORVEX.ncp: changed (other bytes, a file of"},
        {"a file removed", then([](const fs::path& out) { fs::remove(out / "Setup/pnpbind.dll"); }), "",
         "medium/Setup/pnpbind.dll: missing (a file of 2 bytes)\n"},
        {"an empty folder added", then([](const fs::path& out) { fs::create_directory(out / "Setup/empty"); }), "",
         "medium/Setup/empty: added (a folder)\n"},
        {"a link in a file's place", then([](const fs::path& out) { Relink(out / "Setup/setup.exe", "pnpbind.dll"); }),
         "", "medium/Setup/setup.exe: changed (a file of 2 bytes then, a link to pnpbind.dll now)\n"},
        {"a folder of one's own holding a record from elsewhere",
         [](Folders& f, fs::path& out) {
             ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, f.root / "elsewhere").problems), "");
             Write(out / "thesis.doc", "mine");
             fs::copy_file(f.root / "elsewhere/.make-medium", out / ".make-medium");
         },
         "", "medium/thesis.doc: added (a file of 4 bytes)\n"},
        {"twelve files added",
         then([](const fs::path& out) {
             for (int i = 10; i < 22; ++i) Write(out / ("Setup/" + std::to_string(i) + ".txt"), "");
         }),
         "", "(12 paths added, changed or missing against its record .make-medium, the first 10 named); refused"},
        {"a record of the kind that listed no files",
         then([](const fs::path& out) {
             Write(out / ".make-medium", "Laid out by make-medium; its next run may replace this folder.\n");
         }),
         "", "medium: laid out by an earlier make-medium whose record lists no files"},
        {"a damaged record",
         then([](const fs::path& out) { std::ofstream(out / ".make-medium", std::ios::app) << "file 2 Setup/x\n"; }),
         "", "medium/.make-medium: not a record make-medium wrote (line "},
        {"signed by its finishing program, then laid out again",
         [](Folders& f, fs::path& out) {
             Write(f.root / "sign.sh", "#!/bin/sh\nprintf signed >> \"$1/Setup/setup.exe\"\n");
             fs::permissions(f.root / "sign.sh", fs::perms::owner_all);
             ASSERT_EQ(AllOf(medium::LayOutMedium(f.sources, out, (f.root / "sign.sh").string()).problems), "");
             fs::remove(f.root / "sign.sh");
         },
         "", ""},
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
        {"the vendor folder is the earlier medium",
         [laidOut](Folders& f, fs::path& out) {
             laidOut(f, out);
             f.sources.vendor = out;
         },
         "", "medium (output folder) and "},
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
        if (*c.said) {
            EXPECT_EQ(report.problems.size(), 1u) << AllOf(report.problems);
            EXPECT_EQ(Listing(f.root), before);
        } else {
            EXPECT_EQ(AllOf(report.problems), "");
            ExpectWholeMedium(f, out);
        }
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

// The record's digests are SHA-256 (the standard's vectors, fed in pieces
// across block ends), and any name survives the record's lines.
TEST(MediumRecord, DigestsAndNames) {
    const std::pair<std::string, const char*> vectors[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [text, digest] : vectors) {
        medium::Sha256 sha;
        for (std::size_t at = 0; at < text.size(); at += 37)
            sha.Add(text.data() + at, std::min<std::size_t>(37, text.size() - at));
        EXPECT_EQ(sha.Hex(), digest) << text.size();
    }
    const medium::Contents contents = {{"Setup/a b\\c", "folder"},
                                       {"Setup/a b\\c/line\nend.txt", "file 0 " + std::string(64, 'e')}};
    const medium::Record record = medium::ParseRecord(medium::RecordText(contents));
    EXPECT_EQ(record.kind, medium::RecordKind::Current) << record.damage;
    EXPECT_EQ(record.contents, contents);
}
