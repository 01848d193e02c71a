// The shipped programs load on every system they name: Wine exports every
// function whatever Windows it plays, so only the import tables tell. Each
// function imported at load time must be in tests/e2e/allowed_imports.txt,
// whose entries record the oldest Windows that exports them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_harness.h"

namespace {

// What objdump tells of one program.
struct ImportTable {
    std::set<std::string> dlls;       // as the table spells them
    std::vector<std::string> imports;  // "DLL!function", "DLL!#ordinal"
    std::string subsystemVersion, osVersion;
};

ImportTable ReadImports(const std::string& objdump, const std::string& file) {
    e2e::CommandResult r = e2e::RunCommand({objdump, "-p", file});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    ImportTable t;
    std::istringstream in(r.output);
    std::string line, dll, majorSub, minorSub, majorOs, minorOs;
    static const std::regex kDll("^\\s*DLL Name: (\\S+)\\s*$");
    static const std::regex kEntry("^\\t[0-9a-f]+\\t\\s*([0-9]+)\\s+(\\S+)\\s*$");
    static const std::regex kVersion("^(M(?:aj|in)or(?:Subsystem|OSystem)Version)\\t+([0-9]+)\\s*$");
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, kDll)) {
            dll = m[1];
            t.dlls.insert(dll);
        } else if (!dll.empty() && std::regex_match(line, m, kEntry)) {
            t.imports.push_back(dll + "!" + (m[2] == "<none>" ? "#" + m[1].str() : m[2].str()));
        } else if (line.empty() || line[0] != '\t') {
            dll.clear();
            if (std::regex_match(line, m, kVersion)) {
                if (m[1] == "MajorSubsystemVersion") majorSub = m[2];
                if (m[1] == "MinorSubsystemVersion") minorSub = m[2];
                if (m[1] == "MajorOSystemVersion") majorOs = m[2];
                if (m[1] == "MinorOSystemVersion") minorOs = m[2];
            }
        }
    }
    t.subsystemVersion = majorSub + "." + minorSub;
    t.osVersion = majorOs + "." + minorOs;
    return t;
}

// Oldest versions as the list writes them: Windows 95/98/Me ("-": none of
// them) and NT ("3.1", "4.0", "5.2", ...).
int NineRank(const std::string& v) {
    static const std::map<std::string, int> ranks = {{"95", 0}, {"98", 1}, {"Me", 2}, {"-", 3}};
    auto it = ranks.find(v);
    return it == ranks.end() ? 99 : it->second;
}
double NtNumber(const std::string& v) { return v.empty() ? 99 : std::stod(v); }

struct Section {
    std::set<std::string> programs;
    std::string nine, nt;  // the oldest systems these programs run on
    std::set<std::string> allowed;
};

// The list: "[program ... : 9x NT]" opens a section; "DLL!function 9x NT"
// lines follow; '#' starts a comment. An entry newer than its section's
// systems is reported as a failure.
std::vector<Section> ReadAllowList(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::vector<Section> sections;
    std::string line;
    static const std::regex kHeader("^\\[([^:\\]]+):\\s*(\\S+)\\s+(\\S+)\\s*\\]$");
    static const std::regex kEntry("^(\\S+!\\S+)\\s+(\\S+)\\s+(\\S+)$");
    std::smatch m;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#') == 0 ? 0 : line.find(" #"));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
        if (line.empty()) continue;
        if (std::regex_match(line, m, kHeader)) {
            Section s;
            std::istringstream names(m[1].str());
            for (std::string n; names >> n;) s.programs.insert(n);
            s.nine = m[2];
            s.nt = m[3];
            sections.push_back(s);
        } else if (!sections.empty() && std::regex_match(line, m, kEntry)) {
            Section& s = sections.back();
            EXPECT_LE(NineRank(m[2]), NineRank(s.nine)) << m[1] << ": not in Windows " << s.nine;
            EXPECT_LE(NtNumber(m[3]), NtNumber(s.nt)) << m[1] << ": not in Windows NT " << s.nt;
            s.allowed.insert(m[1]);
        } else {
            ADD_FAILURE() << "unreadable line in " << path << ": " << line;
        }
    }
    return sections;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The DLLs of Windows 95 itself, the two that its updates bring (the setup
// API and the C runtime), and the product's own binding library.
const std::set<std::string> kWindows95Dlls = {"KERNEL32.DLL", "USER32.DLL",   "GDI32.DLL",   "ADVAPI32.DLL",
                                              "COMCTL32.DLL", "SHELL32.DLL",  "OLE32.DLL",   "SETUPAPI.DLL",
                                              "MSVCRT.DLL",   "PNPBIND.DLL"};

struct Shipped {
    const char* program;
    const char* tree;     // build tree under BUILD_ROOT
    const char* objdump;
};

const Shipped kShipped[] = {
    {"setup.exe", "product", "i686-w64-mingw32-objdump"},
    {"pnpbind.dll", "product", "i686-w64-mingw32-objdump"},
    {"pnpbind64.exe", "win64", "x86_64-w64-mingw32-objdump"},
};

TEST(ShippedImports, OnlyListedFunctionsOfTheOldestSystems) {
    const e2e::Paths& paths = e2e::GetPaths();
    std::vector<Section> sections = ReadAllowList(paths.source + "/tests/e2e/allowed_imports.txt");
    for (const Shipped& s : kShipped) {
        SCOPED_TRACE(s.program);
        const Section* section = nullptr;
        for (const Section& c : sections)
            if (c.programs.count(s.program)) section = &c;
        ASSERT_NE(section, nullptr) << "no section for " << s.program;
        ImportTable t = ReadImports(s.objdump, paths.buildRoot + "/" + s.tree + "/" + s.program);
        ASSERT_FALSE(t.imports.empty());
        for (const std::string& dll : t.dlls) EXPECT_TRUE(kWindows95Dlls.count(Upper(dll))) << dll;
        for (const std::string& f : t.imports)
            EXPECT_TRUE(section->allowed.count(f)) << f << " is not in the list: check the platform documentation's "
                                                      "oldest Windows for it, then add it, or load it at run time";
        if (section->nine == "95") {
            // Windows 95 and NT 4.0 refuse a program that asks for a newer system.
            EXPECT_EQ(t.subsystemVersion, "4.0");
            EXPECT_EQ(t.osVersion, "4.0");
        }
    }
}

}  // namespace
