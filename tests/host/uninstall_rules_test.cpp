#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "install/copy_table.h"
#include "install/uninstall_rules.h"
#include "shell/utilities_rules.h"

namespace rs {
namespace {

// An item as the table below writes it: "W\inf\ORVEX.inf", "key X", ...
std::string Describe(const RemovalItem& i) {
    static const char* const kBase[] = {"", "W", "S", "U"};
    static const char* const kKind[] = {"", "files+folder ", "value ", "key ", "key+parents ", "group", "guide ", "driver"};
    std::string s = std::string(kKind[static_cast<int>(i.what)]) + kBase[static_cast<int>(i.base)] + i.path;
    if (i.what == Removal::Value) s += std::string(" [") + (i.path + std::strlen(i.path) + 1) + "]";
    return s;
}

std::string RowItem(int row) {
    const CopyRow& r = CopyTableRow(row);
    return std::string(r.base == DestinationBase::Windows ? "W" : "S") + r.tail;
}

// Each path: the copy rows and other items removed, and what must stay.
TEST(UninstallPlan, RemovesThePathsOwnAndKeepsWhatIsShared) {
    struct Case {
        PlatformCode platform;
        std::vector<int> rowsRemoved, rowsKept;
        std::vector<std::string> othersRemoved;  // besides the rows, in any order
        std::vector<std::string> kept;           // never in the plan
    };
    const std::vector<std::string> utility = {"U\\orvexunst.exe", "U\\tkrdchk.exe", "group"};
    auto with = [&utility](std::vector<std::string> v, const char* stem) {
        v.insert(v.end(), utility.begin(), utility.end());
        v.push_back(std::string("guide U") + stem);
        return v;
    };
    const Case cases[] = {
        {2, {1, 2, 3, 6, 7}, {4, 5},
         with({"key+parents Software\\Tornvale\\Vireo\\ORVEX",
               "value Software\\Microsoft\\Windows\\CurrentVersion\\Run [TkpSvc]",
               "value Software\\Microsoft\\Windows\\CurrentVersion\\Run [ProcWatch]"}, "WIN98"),
         {"key System\\CurrentControlSet\\Services\\VxD\\SMCLIB",
          "value SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup [SourcePath]"}},
        {4, {10, 13}, {8, 9, 11, 12},
         {"key SYSTEM\\CurrentControlSet\\Services\\ORVEX",
          "key SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ORVEX"},
         {"key SYSTEM\\CurrentControlSet\\Services\\Smclib", "key SYSTEM\\CurrentControlSet\\Services\\WDUSBD",
          "key SYSTEM\\CurrentControlSet\\Services\\WINDRIVER", "group"}},
        {6, {14}, {}, with({"driver", "files+folder U\\Driver"}, "WINXP"), {"guide UWIN98"}},
        {11, {14}, {}, with({"driver", "files+folder U\\Driver"}, "WINXP"), {}},
        {9, {14}, {}, {}, {"driver", "group", "U\\orvexunst.exe"}},
        {12, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> plan, expected = c.othersRemoved;
        for (const RemovalItem& i : RemovalPlan(c.platform)) plan.push_back(Describe(i));
        for (int row : c.rowsRemoved) expected.push_back(RowItem(row));
        std::vector<std::string> sortedPlan = plan;
        std::sort(sortedPlan.begin(), sortedPlan.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(sortedPlan, expected) << c.platform;
        std::vector<std::string> kept = c.kept;
        for (int row : c.rowsKept) kept.push_back(RowItem(row));
        for (const std::string& k : kept) EXPECT_EQ(std::count(plan.begin(), plan.end(), k), 0) << c.platform << k;
    }
}

// The group and guide names are the ones the installation makes.
TEST(UninstallPlan, NamesAreTheInstallationsOwn) {
    std::set<std::string> shortcuts;
    for (const char* s : kGroupShortcuts) shortcuts.insert(std::string("G") + kGroupFolder + s);
    std::set<std::string> made;
    for (auto row : {UtilityShortcutRow::Uninstaller, UtilityShortcutRow::Diagnostics, UtilityShortcutRow::Guide})
        made.insert(MakeUtilityShortcut(row, "U", "\\p.htm", std::string("G\\") + kUtilityGroupName, "P").groupFile);
    EXPECT_EQ(shortcuts, made);
    // The guide's names: a language's letter after the separator, then the stem.
    for (DisplayLanguage lang : {0, 1, 2}) {
        EXPECT_EQ(GuidePageName(lang, 2), std::string("\\") + "ECK"[lang] + RemovalPlan(2)[3].path + ".htm");
        EXPECT_EQ(GuideFolderName(lang, 6), std::string("\\") + "ECK"[lang] + RemovalPlan(6)[6].path + ".files");
    }
}

TEST(UninstallOutcome, ExitCodeFromTheRemovals) {
    struct Case {
        unsigned found, delayed;
        bool stepFailed, restartStarted;  // the restart step's result (/forcerestart)
        std::uint32_t code;
    };
    const Case cases[] = {{0, 0, false, false, 1605}, {3, 0, false, false, 0},    {3, 1, false, false, 3010},
                          {3, 1, false, true, 1641},  {3, 1, true, false, 1603}, {0, 0, true, false, 1603}};
    for (const Case& c : cases) {
        RunOutcome o;
        TakeRemovals(o, {c.found, c.delayed});
        o.failed = c.stepFailed;
        if (c.restartStarted) o.restart = RestartNeed::Started;
        EXPECT_EQ(ExitCodeFor(o, true), c.code) << c.found << " " << c.delayed;
        EXPECT_EQ(std::string(ExitCodeMeaning(c.code, true)).find("installed"), std::string::npos);
    }
}

TEST(UninstallDelayedDelete, WininitRenameSection) {
    // An empty section, one line already, and one that would not fit.
    char section[40];
    std::memset(section, 'x', sizeof section);  // the terminators are the function's to write
    ASSERT_TRUE(WithRemoval(section, 0, sizeof section, "C:\\A.EXE"));
    EXPECT_EQ(std::string(section, 14), std::string("NUL=C:\\A.EXE\0\0", 14));
    const std::string two("NUL=C:\\A.EXE\0NUL=C:\\PROGRA~1\\X\0\0", 32);
    ASSERT_TRUE(WithRemoval(section, 13, sizeof section, "C:\\PROGRA~1\\X"));
    EXPECT_EQ(std::string(section, 32), two);
    EXPECT_FALSE(WithRemoval(section, 31, sizeof section, "C:\\B.EXE"));
    EXPECT_EQ(std::string(section, 32), two);
    EXPECT_TRUE(SamePath("C:\\Program Files\\ORVEX\\Setup\\", "c:\\PROGRAM FILES\\orvex\\setup"));
    EXPECT_FALSE(SamePath("C:\\Program Files\\ORVEX\\Setup", "C:\\Program Files\\ORVEX"));
}

}  // namespace
}  // namespace rs
