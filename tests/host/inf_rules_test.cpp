// The INF reader and the medium's INF checks: an INF read as the system
// reads it, then changed one line at a time.
#include <gtest/gtest.h>

#include <set>

#include "release_medium/inf_rules.h"
#include "tests/host/inf_support.h"
#include "tests/host/medium_support.h"
#include "tools/medium_layout/inf_check.h"

using namespace rs;
using test::Replaced;

TEST(InfReader, LinesAsTheSystemReadsThem) {
    const inf::File file = inf::Read(
        "[Section1] ; comment\r\n"
        "  key = \"a, b; c\" , plain  value ,\"say \"\"hi\"\"\" ; comment\r\n"
        "continued = one,\\\r\n"
        "    two\n"
        "; only a comment\r\n"
        "[SECTION1]\r\n"
        "no key, USB\\Vid_1\r\n"
        "[Strings]\r\n"
        "Name=\"Reader, Inc.\"\r\n");
    ASSERT_EQ(file.refused, "");
    const inf::Section* section = file.Find("section1");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->number, 1);
    auto shown = [](const inf::Line& line) {
        std::string out = std::to_string(line.number) + " " + line.key + ":";
        for (const std::string& field : line.fields) out += " [" + field + "]";
        return out;
    };
    std::string lines;
    for (const inf::Line& line : section->lines) lines += shown(line) + "\n";
    EXPECT_EQ(lines,
              "2 key: [a, b; c] [plain  value] [say \"hi\"]\n"
              "3 continued: [one] [two]\n"
              "7 : [no key] [USB\\Vid_1]\n");
    EXPECT_EQ(file.Resolved("%name% 50%% %unknown%"), "Reader, Inc. 50% %unknown%");
}

TEST(InfReader, OnlyAnsiOrMarkedUtf16LittleEndian) {
    const std::string text = "[Version]\r\nSignature=$Chicago$\r\n";
    struct Case {
        std::string bytes;
        std::string refused;  // part of the reason; empty: read
    };
    const std::vector<Case> cases = {
        {text, ""},
        {test::Utf16Le(text), ""},
        {"\xEF\xBB\xBF" + text, "UTF-8 with a byte-order mark"},
        {test::Utf16Le(text, false), "NUL bytes"},
        {"\xFE\xFF" + test::Utf16Le(text, false).substr(1) + '\0', "UTF-16 big-endian"},
        {test::Utf16Le(text) + "x", "odd number of bytes"},
    };
    for (const Case& c : cases) {
        const inf::File file = inf::Read(c.bytes);
        if (c.refused.empty()) {
            EXPECT_EQ(file.refused, "");
            EXPECT_NE(file.Find("VERSION"), nullptr);
        } else {
            EXPECT_NE(file.refused.find(c.refused), std::string::npos) << c.refused << ": " << file.refused;
        }
    }
    // Beyond ASCII, decoded to UTF-8: U+00E9 and U+1F600 (a surrogate pair).
    const inf::File wide = inf::Read(std::string("\xFF\xFE[\0\xE9\0=\0=\0\x3D\xD8\x00\xDE]\0", 16));
    ASSERT_EQ(wide.sections.size(), 1u);
    EXPECT_EQ(wide.sections[0].name, "\xC3\xA9==\xF0\x9F\x98\x80");
}

// The INF Strings section page: one Strings section serves every %strkey%,
// chosen by the system's language ID: the same ID, else its primary
// language with the neutral sublanguage, else any of its primary language,
// else [Strings]. A key that section lacks is looked up nowhere else.
TEST(InfReader, OneStringsSectionByLanguageId) {
    struct Case {
        std::vector<std::string> sections;         // each with K = its name; [Strings] with L too
        std::string english, chinese, korean;      // %K%/%L% as each reads it
    };
    const std::string plain = "Strings/plain", none = "%K%/%L%";
    const std::vector<Case> cases = {
        {{"Strings", "Strings.0409", "Strings.0404", "Strings.0412"}, "Strings.0409/%L%", "Strings.0404/%L%",
         "Strings.0412/%L%"},
        {{"Strings", "Strings.0804", "Strings.0004"}, plain, "Strings.0004/%L%", plain},
        {{"Strings.0C04", "Strings.0804", "Strings"}, plain, "Strings.0C04/%L%", plain},
        {{"Strings.0809"}, "Strings.0809/%L%", none, none},
        {{"Strings.404", "Strings.0x404", "Strings.00404", "Strings"}, plain, plain, plain},
    };
    for (const Case& c : cases) {
        std::string text = "[Version]\r\nSignature=$Chicago$\r\n";
        for (const std::string& name : c.sections)
            text += "[" + name + "]\r\nK=" + name + "\r\n" + (name == "Strings" ? "L=plain\r\n" : "");
        SCOPED_TRACE(text);
        const std::string said[] = {c.english, c.chinese, c.korean};
        for (std::size_t i = 0; i < std::size(inf::kReaders); ++i)
            EXPECT_EQ(inf::Read(text, inf::kReaders[i]).Resolved("%K%/%L%"), said[i]) << inf::kReaders[i].system;
    }
}

// The binding INF, its files beside it: a catalog, a driver for x86 and a
// helper in a subfolder of the undecorated disk. Files and disks for
// another processor are read by its systems alone.
TEST(InfCheck, EachProblemWithItsLine) {
    const std::string binding = test::kReaderInf +
                                "[Version]\r\n"                      // 13
                                "CatalogFile.NTx86=orvex.cat\r\n"    // 14
                                "CatalogFile.NTamd64=gone.cat\r\n"   // 15
                                "[SourceDisksNames]\r\n"             // 16
                                "1=%Disk%,,,\\files\r\n"             // 17
                                "[SourceDisksNames.x86]\r\n"         // 18
                                "2=%Disk%,,,\\files\\x86\r\n"        // 19
                                "[SourceDisksFiles]\r\n"             // 20
                                "helper.dll=1,sub\r\n"               // 21
                                "[SourceDisksFiles.x86]\r\n"         // 22
                                "orvex.sys=2\r\n"                    // 23
                                "[SourceDisksFiles.ia64]\r\n"        // 24
                                "gone.sys=1\r\n";                    // 25
    const std::set<std::string> onMedium = {"Setup/drivers/winxp/orvex.cat", "Setup/drivers/winxp/files/x86/orvex.sys",
                                            "Setup/drivers/winxp/files/sub/helper.dll"};
    struct Case {
        const char* name;
        std::string from, to;
        InfUse use;
        std::string said;  // "line: text"; empty: no problem
    };
    const std::vector<Case> cases = {
        {"complete", "", "", InfUse::Binding, ""},
        {"signature in other case, unquoted", "\"$Windows NT$\"", "$wINDOWS 95$", InfUse::Binding, ""},
        {"unknown signature", "$Windows NT$", "$Windows XP$", InfUse::Other,
         "3: Signature \"$Windows XP$\" is none of"},
        {"no signature", "Signature=", "Class=", InfUse::Other, "2: [Version] without a Signature"},
        {"other hardware ID", "%HardwareId%", "USB\\Vid_0d4e&Pid_0011", InfUse::PlugAndPlay,
         "5: Windows XP would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: [Manufacturer] leads to "
         "[Models.NTx86], which does not name it"},
        {"hardware ID as a compatible ID", "%HardwareId%", "USB\\Other,%HardwareId%", InfUse::Binding, ""},
        {"models section of a decoration not listed", "[Models.NTx86]", "[Models.NTamd64]", InfUse::Binding,
         "5: Windows XP would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: [Manufacturer] leads to "
         "[Models.NTx86], which the file does not hold"},
        {"no [Manufacturer]", "[Manufacturer]", "[Makers]", InfUse::Binding,
         "0: Windows XP would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: the INF has no [Manufacturer]"},
        {"an INF not for the reader", "%HardwareId%", "USB\\Other", InfUse::Other, ""},
        {"the files of an INF only read are not looked for", "orvex.sys=", "gone.sys=", InfUse::Other, ""},
        {"driver file missing", "orvex.sys=", "Orvex2.sys=", InfUse::Binding,
         "23: [SourceDisksFiles.x86] names Orvex2.sys, not on the medium at Setup/drivers/winxp/files/x86/Orvex2.sys"},
        {"file in another subfolder", "helper.dll=1,sub", "helper.dll=1,other", InfUse::Binding,
         "21: [SourceDisksFiles] names helper.dll, not on the medium at Setup/drivers/winxp/files/other/helper.dll"},
        {"disk not listed", "orvex.sys=2", "orvex.sys=3", InfUse::Binding,
         "23: [SourceDisksFiles.x86] names orvex.sys, but names disk 3, which neither [SourceDisksNames.x86] nor "
         "[SourceDisksNames] lists"},
        {"disk path out of the medium", "\\files\\x86", "..\\..\\..\\..\\x86", InfUse::Binding,
         "23: [SourceDisksFiles.x86] names orvex.sys, which would lie outside the medium"},
        {"catalog missing", "=orvex.cat", "=other.cat", InfUse::Binding,
         "14: CatalogFile.NTx86 names other.cat, not on the medium at Setup/drivers/winxp/other.cat"},
        // The INF SourceDisksFiles and SourceDisksNames pages: x86 takes its
        // own disk 1 and file entry before the undecorated ones.
        {"a disk of x86's own", "[SourceDisksNames.x86]", "[SourceDisksNames.x86]\r\n1=%Disk%,,,\\x86", InfUse::Binding,
         "22: [SourceDisksFiles] names helper.dll, not on the medium at Setup/drivers/winxp/x86/sub/helper.dll"},
        {"a file entry of x86's own", "helper.dll=1,sub\r\n[SourceDisksFiles.x86]",
         "helper.dll=1,gone\r\n[SourceDisksFiles.x86]\r\nhelper.dll=1,sub", InfUse::Binding, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.from.empty() ? binding : Replaced(binding, c.from, c.to);
        const auto found = [&](const std::string& path) {
            for (const std::string& file : onMedium)
                if (inf::SameName(file, path)) return true;
            return false;
        };
        const medium::InfReader xp{"Windows XP", {{5, 1, 2, 1, 0}, 2600, 0}, c.use};
        const auto problems = medium::InfProblems(text, "Setup/drivers/winxp/orvex.inf", {xp}, found);
        ASSERT_EQ(problems.size(), c.said.empty() ? 0u : 1u) << (problems.empty() ? "" : problems[0].text);
        if (!c.said.empty()) {
            const std::string said = std::to_string(problems[0].line) + ": " + problems[0].text;
            EXPECT_EQ(said.substr(0, c.said.size()), c.said) << said;
        }
    }
}

// The install section that the reader's line names, looked for as each
// platform does (the INF File Platform Extensions pages): from Windows 2000
// on NAME.NTx86 or NAME.NTamd64, then NAME.NT, then NAME; Windows 95, 98 and
// Me NAME alone. Found by none, binding fails: refused at that line.
TEST(InfCheck, InstallSectionAsEachPlatformLooksForIt) {
    const std::vector<medium::InfReader> readers = {{"Windows 98", {{4, 10, 1, 0, 0}, 1998, 0}, InfUse::PlugAndPlay},
                                                    {"Windows XP", {{5, 1, 2, 1, 0}, 2600, 0x110}, InfUse::Binding},
                                                    {"Windows XP x64", {{5, 2, 2, 1, 9}, 3790, 0x110}, InfUse::Binding}};
    struct Case {
        std::string from, to;
        std::string said;  // "line system" of each problem; the Models line of 98 is 7, of x64 9, of XP 11
    };
    const std::vector<Case> cases = {
        {"[Install]", "[Install]", ""},
        {"[Install]", "[install.ntAMD64]\r\n[INSTALL]", ""},
        {"[Install]", "[Install.NTx86]", "7 Windows 98 | 9 Windows XP x64"},
        {"[Install]", "[Install.NT]", "7 Windows 98"},
        {"[Install]", "[Install.NTamd64]", "7 Windows 98 | 11 Windows XP"},
        {"[Install]", "[Other]", "7 Windows 98 | 9 Windows XP x64 | 11 Windows XP"},
        {"[Models.NTx86]\r\n%Desc%=Install,", "[Models.NTx86]\r\n%Desc%=,", "11 Windows XP"},
    };
    std::string texts;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        std::string said;
        for (const auto& problem : medium::InfProblems(Replaced(medium_test::kInf, c.from, c.to), "Setup/x.inf",
                                                       readers, [](const std::string&) { return true; })) {
            said += (said.empty() ? "" : " | ") + std::to_string(problem.line) + " " +
                    problem.text.substr(0, problem.text.find(" would not find the install section for the reader's"));
            texts += problem.text + "\n";
        }
        EXPECT_EQ(said, c.said);
    }
    for (const char* text : {"Windows XP would not find the install section for the reader's hardware ID "
                             "USB\\Vid_0d4e&Pid_0010: [Models.NTx86] names Install, and the file holds none of "
                             "[Install.NTx86], [Install.NT] and [Install]\n",
                             "Windows 98 would not find the install section for the reader's hardware ID "
                             "USB\\Vid_0d4e&Pid_0010: [Models] names Install, and the file holds no [Install]\n",
                             ": [Models.NTx86] gives it no install section\n"})
        EXPECT_NE(texts.find(text), std::string::npos) << text << "\n" << texts;
}

// An ANSI INF as English, Traditional Chinese and Korean Windows read it:
// through code page 1252, 950 or 949, with their locale's strings. The
// reader's INF with one change; on the medium only the driver file named
// 功 (A5 5C) as code page 950 reads it.
TEST(InfCheck, AnsiAsEachLanguageSystemReadsIt) {
    const std::string gong = "\xF3\xBA\x95\x9C";  // U+FA55C: the kept bytes A5 5C
    const std::string noModel = "5: Windows XP would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: "
                                "[Manufacturer] leads to [Models.NTx86], which does not name it";
    const std::string files = "[SourceDisksNames]\r\n1=%Disk%,,,\\x86\r\n[SourceDisksFiles]\r\n\xA5\x5C.sys=1\r\n";
    const std::string notOnMedium = "16: [SourceDisksFiles] names ";
    const std::string notHeld = Replaced(noModel, "does not name it", "the file does not hold");
    struct Case {
        const char* name;
        std::string from, to;  // `from` empty: `to` appended
        std::string said;      // each problem as "line: text", joined by " | "
    };
    const std::vector<Case> cases = {
        // A section the system misses is told at the line that hides it.
        {"a trail byte 0x5C continues no line", "[Models.NTx86]", "[Other]\r\nKey=\xA5\x5C\r\n[Models.NTx86]",
         Replaced(notHeld, "5:", "7:") + " (the \\ that ends line 7 joins its header on line 8 to that line), as "
                                         "English Windows (code page 1252) reads it"},
        {"a Ctrl-Z hides a section", "[Models.NTx86]", "\x1A\r\n[Models.NTx86]",
         Replaced(notHeld, "5:", "6:") + " (the Ctrl-Z on line 6 ends the file before its header on line 7)"},
        {"nor splits a file name", "", files,
         notOnMedium + "\xC2\xA5\\.sys, not on the medium at Setup/drivers/winxp/x86/\xC2\xA5/.sys, as English Windows "
                       "(code page 1252) reads it | " +
             notOnMedium + "\xEF\xBF\xBD.sys, not on the medium at Setup/drivers/winxp/x86/\xEF\xBF\xBD.sys, as Korean "
                           "Windows (code page 949) reads it"},
        {"[Strings.0404] for Traditional Chinese Windows", "", "[Strings.0404]\r\nHardwareId=USB\\Other\r\n",
         noModel + ", as Traditional Chinese Windows (code page 950) reads it"},
        {"[Strings.0412] for Korean Windows", "", "[Strings.0412]\r\nHardwareId=USB\\Other\r\n",
         noModel + ", as Korean Windows (code page 949) reads it"},
        {"[Strings.0409] for English Windows", "", "[Strings.0409]\r\nHardwareId=USB\\Other\r\n",
         noModel + ", as English Windows (code page 1252) reads it"},
        {"a locale's Strings section stands alone", "", "[Strings.0404]\r\nDesc=Reader\r\n",
         noModel + ", as Traditional Chinese Windows (code page 950) reads it"},
        {"Ctrl-Z ends the file", "", "\x1A\r\n[Strings]\r\nHardwareId=USB\\Other\r\n", ""},
        {"a NUL byte is named where it is", "; reader", std::string("; rea\0der", 9),
         "0: holds a NUL byte at offset 5, which ANSI text does not hold; the system reads an INF only as ANSI or "
         "as UTF-16 LE with its byte-order mark"},
    };
    const auto onMedium = [&](const std::string& path) { return path == "Setup/drivers/winxp/x86/" + gong + ".sys"; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.from.empty() ? test::kReaderInf + c.to : Replaced(test::kReaderInf, c.from, c.to);
        std::string said;
        const medium::InfReader xp{"Windows XP", {{5, 1, 2, 1, 0}, 2600, 0}, InfUse::Binding};
        for (const auto& problem : medium::InfProblems(text, "Setup/drivers/winxp/orvex.inf", {xp}, onMedium))
            said += (said.empty() ? "" : " | ") + std::to_string(problem.line) + ": " + problem.text;
        EXPECT_EQ(said, c.said);
    }
}
