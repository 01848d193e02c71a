// The INF reader and the medium's INF checks: an INF read as the system
// reads it, then changed one line at a time.
#include <gtest/gtest.h>

#include <set>

#include "release_medium/inf_rules.h"
#include "tests/host/inf_support.h"
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

// The binding INF, its files beside it: a catalog, a driver for x86 and a
// helper in a subfolder of the undecorated disk.
TEST(InfCheck, EachProblemWithItsLine) {
    const std::string binding = test::kReaderInf +
                                "[Version]\r\n"                    // 12
                                "CatalogFile.NTx86=orvex.cat\r\n"  // 13
                                "[SourceDisksNames]\r\n"           // 14
                                "1=%Disk%,,,\\files\r\n"           // 15
                                "[SourceDisksNames.x86]\r\n"       // 16
                                "1=%Disk%,,,\\files\\x86\r\n"      // 17
                                "[SourceDisksFiles]\r\n"           // 18
                                "helper.dll=1,sub\r\n"             // 19
                                "[SourceDisksFiles.x86]\r\n"       // 20
                                "orvex.sys=1\r\n";                 // 21
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
         "21: [SourceDisksFiles.x86] names Orvex2.sys, not on the medium at Setup/drivers/winxp/files/x86/Orvex2.sys"},
        {"file in another subfolder", "helper.dll=1,sub", "helper.dll=1,other", InfUse::Binding,
         "19: [SourceDisksFiles] names helper.dll, not on the medium at Setup/drivers/winxp/files/other/helper.dll"},
        {"disk not listed", "orvex.sys=1", "orvex.sys=2", InfUse::Binding,
         "21: [SourceDisksFiles.x86] names orvex.sys, but names disk 2, which no [SourceDisksNames] lists"},
        {"disk path out of the medium", "\\files\\x86", "..\\..\\..\\..\\x86", InfUse::Binding,
         "21: [SourceDisksFiles.x86] names orvex.sys, which would lie outside the medium"},
        {"catalog missing", "=orvex.cat", "=other.cat", InfUse::Binding,
         "13: CatalogFile.NTx86 names other.cat, not on the medium at Setup/drivers/winxp/other.cat"},
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

// An ANSI INF as English, Traditional Chinese and Korean Windows read it:
// through code page 1252, 950 or 949, with their locale's strings. The
// reader's INF with one change; on the medium only the driver file named
// 功 (A5 5C) as code page 950 reads it.
TEST(InfCheck, AnsiAsEachLanguageSystemReadsIt) {
    const std::string gong = "\xF3\xBA\x95\x9C";  // U+FA55C: the kept bytes A5 5C
    const std::string noModel = "5: Windows XP would not find the reader's hardware ID USB\\Vid_0d4e&Pid_0010: "
                                "[Manufacturer] leads to [Models.NTx86], which does not name it";
    const std::string files = "[SourceDisksNames]\r\n1=%Disk%,,,\\x86\r\n[SourceDisksFiles]\r\n\xA5\x5C.sys=1\r\n";
    const std::string notOnMedium = "15: [SourceDisksFiles] names ";
    struct Case {
        const char* name;
        std::string from, to;  // `from` empty: `to` appended
        std::string said;      // each problem as "line: text", joined by " | "
    };
    const std::vector<Case> cases = {
        {"a trail byte 0x5C continues no line", "[Models.NTx86]", "[Strings.0404]\r\nMfg=\xA5\x5C\r\n[Models.NTx86]",
         Replaced(noModel, "does not name it", "the file does not hold") +
             ", as English Windows (code page 1252) reads it"},
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
        {"a locale's strings fall back to [Strings] key by key", "", "[Strings.0404]\r\nDesc=Reader\r\n", ""},
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
