#include <gtest/gtest.h>

#include <set>
#include <string>

#include "install/copy_table.h"
#include "install/registry_steps.h"
#include "install/stale_records.h"

namespace rs {
namespace {

TEST(EngineCopyTable, RowsAreNumberedInCopyOrderAndBuildWholePaths) {
    for (std::size_t i = 0; i < kCopyTable.size(); ++i) {
        const CopyRow& row = kCopyTable[i];
        EXPECT_EQ(row.number, static_cast<int>(i + 1));
        EXPECT_EQ(&CopyTableRow(row.number), &row);
        ASSERT_NE(row.tail, nullptr);
        EXPECT_EQ(row.tail[0], '\\') << row.number;
        EXPECT_EQ(std::string(row.source).rfind(".\\", 0), 0u) << row.number;
        // A row never reported is exactly a row never checked.
        EXPECT_EQ(row.nameInMessage == nullptr, row.onFailure == OnCopyFailure::NoCheck) << row.number;
    }
    EXPECT_THROW(CopyTableRow(0), std::out_of_range);
    EXPECT_THROW(CopyTableRow(15), std::out_of_range);
}

TEST(EngineCopyTable, PathsTakeTheirRowsAndTheInfIsInstalledUnderItsOwnExtension) {
    int a = 0, b = 0, cd = 0;
    for (const CopyRow& row : kCopyTable) {
        switch (PathOfRow(row)) {
        case CopyPath::A: ++a; break;
        case CopyPath::B: ++b; break;
        case CopyPath::CD: ++cd; break;
        }
    }
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 6);
    EXPECT_EQ(cd, 1);
    // Rows 1 and 14 are one copy: checked on path A, unchecked later.
    const CopyRow& first = CopyTableRow(1);
    const CopyRow& last = CopyTableRow(14);
    EXPECT_STREQ(first.source, ".\\drivers\\ORVEX.ncp");
    EXPECT_STREQ(first.source, last.source);
    EXPECT_STREQ(first.tail, "\\inf\\ORVEX.inf");
    EXPECT_STREQ(first.tail, last.tail);
    EXPECT_EQ(first.onFailure, OnCopyFailure::StopWindowStays);
    EXPECT_EQ(last.onFailure, OnCopyFailure::NoCheck);
    // The only row into the Windows folder spelled with a capital S, and the
    // two rows into the system folder proper.
    EXPECT_STREQ(CopyTableRow(9).tail, "\\System32\\advpack.dll");
    std::set<int> systemRows;
    for (const CopyRow& row : kCopyTable)
        if (row.base == DestinationBase::System) systemRows.insert(row.number);
    EXPECT_EQ(systemRows, (std::set<int>{5, 6, 7}));
    // Path B: only the USB driver failure leaves the window open.
    EXPECT_EQ(CopyTableRow(11).onFailure, OnCopyFailure::StopWindowStays);
    for (int n : {8, 9, 10, 12}) EXPECT_EQ(CopyTableRow(n).onFailure, OnCopyFailure::StopProgramEnds) << n;
}

TEST(EngineCopyTable, SharingViolationIsSilentOnlyOnRowsThatGoOn) {
    EXPECT_FALSE(ReportsCopyFailure(CopyTableRow(6), 32));
    EXPECT_FALSE(ReportsCopyFailure(CopyTableRow(7), 32));
    EXPECT_TRUE(ReportsCopyFailure(CopyTableRow(6), 5));
    EXPECT_TRUE(ReportsCopyFailure(CopyTableRow(1), 32));
    EXPECT_TRUE(ReportsCopyFailure(CopyTableRow(10), 2));
    for (int n : {2, 13, 14}) {
        EXPECT_FALSE(ReportsCopyFailure(CopyTableRow(n), 5)) << n;
        EXPECT_FALSE(ReportsCopyFailure(CopyTableRow(n), 112)) << n;
    }
}

TEST(EngineCopyFailureText, ExactTextsInEverySlot) {
    auto texts = BuildCopyFailureTexts(u"ORVEX.sys", 5);
    EXPECT_EQ(texts[0], u"Cannot Copy ORVEX.sys, Error Code : 5");
    EXPECT_EQ(texts[1], u"無法複製檔案 ORVEX.sys, 錯誤代碼 : 5");
    EXPECT_EQ(texts[2], texts[0]);  // the Korean slot holds the English text

    texts = BuildCopyFailureTexts(u"ORVEX.sys", 112);
    EXPECT_EQ(texts[0], u"Cannot Copy ORVEX.sys, Error Code : Disk Full");
    EXPECT_EQ(texts[1], u"無法複製檔案 ORVEX.sys, 錯誤代碼 : 磁碟已滿");
    EXPECT_EQ(texts[2], texts[0]);

    EXPECT_EQ(BuildCopyFailureTexts(u"ORVEX.inf", 2)[0], u"Cannot Copy ORVEX.inf, Error Code : 2");
    EXPECT_EQ(BuildCopyFailureTexts(u"x", 0)[0], u"Cannot Copy x, Error Code : 0");
    EXPECT_EQ(BuildCopyFailureTexts(u"x", -112)[0], u"Cannot Copy x, Error Code : -112");
    EXPECT_EQ(BuildCopyFailureTexts(u"x", 1120)[0], u"Cannot Copy x, Error Code : 1120");
}

TEST(EngineCopyFailureText, NegativeCodesAndLongNamesComeOutWhole) {
    // HRESULT-style codes are shown signed; these overran the fixed slots.
    auto texts = BuildCopyFailureTexts(u"procwatch.exe", static_cast<std::int32_t>(0x80070002u));
    EXPECT_EQ(texts[0], u"Cannot Copy procwatch.exe, Error Code : -2147024894");
    EXPECT_EQ(texts[1], u"無法複製檔案 procwatch.exe, 錯誤代碼 : -2147024894");
    EXPECT_EQ(BuildCopyFailureTexts(u"a", INT32_MIN)[2], u"Cannot Copy a, Error Code : -2147483648");

    std::u16string name(600, u'n');
    name += u".sys";
    texts = BuildCopyFailureTexts(name, -2147024894);
    EXPECT_EQ(texts[0], u"Cannot Copy " + name + u", Error Code : -2147024894");
    EXPECT_EQ(texts[1], u"無法複製檔案 " + name + u", 錯誤代碼 : -2147024894");
    EXPECT_EQ(BuildCopyFailureTexts(name, 112)[1], u"無法複製檔案 " + name + u", 錯誤代碼 : 磁碟已滿");
}

TEST(EngineUninstallCommand, JoinsThePiecesWithoutAnythingBetween) {
    EXPECT_EQ(BuildUninstallCommand("C:\\WINNT"),
              "RunDll32 advpack.dll,LaunchINFSection C:\\WINNT\\inf\\orvexunst.inf, DefaultUninstall.NT");
    // A Windows folder long enough to overrun a 200-byte command.
    std::string folder = "D:\\" + std::string(250, 'w');
    std::string command = BuildUninstallCommand(folder);
    EXPECT_EQ(command, "RunDll32 advpack.dll,LaunchINFSection " + folder + "\\inf\\orvexunst.inf, DefaultUninstall.NT");
    EXPECT_GT(command.size(), 300u);
}

TEST(EngineStaleRecords, OnlyUnknownInAnyCaseMarksAStaleRecord) {
    for (const char* c : {"UnKnown", "unknown", "UNKNOWN", "uNkNoWn"}) EXPECT_TRUE(IsStaleClass(c)) << c;
    for (const char* c : {"UnKnown ", " UnKnown", "UnKnownX", "UnKnow", "", "Ports", "Unknown\t"})
        EXPECT_FALSE(IsStaleClass(c)) << '"' << c << '"';
    EXPECT_FALSE(IsStaleClass(std::string("UnKnown\0x", 9)));
}

TEST(EngineStaleRecords, NineInstancesAreNamedByTheirLastCharacter) {
    EXPECT_EQ(UsbInstanceKeyPath(0), "Enum\\USB\\VID_0D4E&PID_0010\\INST_0");
    EXPECT_EQ(UsbInstanceKeyPath(8), "Enum\\USB\\VID_0D4E&PID_0010\\INST_8");
}

}  // namespace
}  // namespace rs
