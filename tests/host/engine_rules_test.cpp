#include <gtest/gtest.h>

#include <string>

#include "install/copy_table.h"
#include "install/driver_staging_rules.h"
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

// A system component the medium ships stays where the installed file carries
// a version and the medium's none or a lower one (rows 4, 5, 8, 9).
TEST(EngineCopyTable, ANewerInstalledSystemComponentStays) {
    const FileVersion none{}, v5{true, 5}, v6{true, 6}, v7{true, 7}, major1{true, 1ull << 48};
    EXPECT_TRUE(KeepsInstalledComponent(v7, none) && KeepsInstalledComponent(v7, v6));
    EXPECT_TRUE(KeepsInstalledComponent(major1, {true, 0xFFFFFFFFFFFF}));  // the major part weighs most
    for (auto [installed, medium] : {std::pair{v6, v6}, {v5, v6}, {none, v6}, {none, none}})
        EXPECT_FALSE(KeepsInstalledComponent(installed, medium)) << installed.value << " " << medium.value;
    for (const CopyRow& r : kCopyTable)
        EXPECT_EQ(r.systemComponent, r.number == 4 || r.number == 5 || r.number == 8 || r.number == 9) << r.number;
}

TEST(EngineCopyFailureText, NegativeCodesAndLongNamesComeOutWhole) {
    // HRESULT-style codes are shown signed, long names whole.
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
    // However long the Windows folder, the command holds all of it.
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

TEST(EngineDriverStaging, PackageFolderInfNameAndKeptFolder) {
    // The binding INF, its folder (the package) and its name.
    const char* const cases[][3] = {{".\\Drivers\\winxp\\orvex.inf", ".\\Drivers\\winxp", "orvex.inf"},
                                    {"D:\\Drivers\\win2000\\Orvex2k.INF", "D:\\Drivers\\win2000", "Orvex2k.INF"},
                                    {"orvex.inf", ".", "orvex.inf"}};
    for (const auto& c : cases) {
        const std::string path = c[0];
        const std::size_t at = InfNameAt(path);
        EXPECT_EQ(at ? path.substr(0, at - 1) : ".", c[1]) << c[0];
        EXPECT_EQ(path.substr(at), c[2]) << c[0];
    }
}

}  // namespace
}  // namespace rs
