// Registry registration of the Windows 95/98/Me and NT 4.0 paths, read back
// through the plain registry API. Every key touched is put back as it was.
#include <gtest/gtest.h>

#include "install/registry_steps.h"
#include "tests/win/engine_test_support.h"

using namespace enginetest;

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const char kSetup[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup";
const char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
const char kSmclib9x[] = "System\\CurrentControlSet\\Services\\VxD\\SMCLIB";
const char kVendor[] = "Software\\Tornvale\\Vireo\\ORVEX";
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVEX";
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services\\";

void RunPathA() {
    rs::WriteSetupSourcePath();
    rs::WriteSmartCardLibraryVxd();
    rs::CreateSmartCardLibraryDevicesKey();
    rs::WriteVendorKey();
    rs::RemoveOldServiceProgramEntry();
    rs::WriteStartupEntries();
}

void ExpectText(const std::string& path, const char* name, const std::string& text) {
    RegValue v = ReadValue(HKLM, path, name);
    ASSERT_TRUE(v.present) << path << " " << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ)) << name;
    EXPECT_EQ(v.Text(), Stored(text)) << name;  // size is the length plus one
}

void ExpectNumber(const std::string& path, const char* name, DWORD number) {
    RegValue v = ReadValue(HKLM, path, name);
    ASSERT_TRUE(v.present) << path << " " << name;
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(v.data.size(), 4u) << name;
    EXPECT_EQ(v.Number(), number) << name;
}

TEST(EngineRegistry, PathAWritesItsEntriesAndASecondRunLeavesTheSame) {
    KeyKeeper setup(HKLM, kSetup), run(HKLM, kRun), runServices(HKLM, kRunServices);
    KeyKeeper vxd(HKLM, "System\\CurrentControlSet\\Services\\VxD"), vendor(HKLM, "Software\\Tornvale");
    ASSERT_TRUE(setup.Existed() && run.Existed() && runServices.Existed());
    WriteText(HKLM, kRunServices, "Tkpsvc", "C:\\WINDOWS\\SYSTEM\\tkpsvc.exe");
    WriteText(HKLM, kRunServices, "TkpsvcOther", "other");

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        RunPathA();
        const std::string w = WindowsFolder(), s = SystemFolder();
        ExpectText(kSetup, "SourcePath", w + "\\System32\\drivers");
        ExpectText(kSmclib9x, "StaticVxD", "smclib.vxd");
        RegValue start = ReadValue(HKLM, kSmclib9x, "Start");
        ASSERT_TRUE(start.present);
        EXPECT_EQ(start.type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(start.data, std::vector<BYTE>{0});
        EXPECT_TRUE(KeyExists(HKLM, std::string(kSmclib9x) + "\\Devices"));
        ExpectNumber(kVendor, "Type", 3);
        ExpectText(kVendor, "Driver", "ORVEX.SYS");
        EXPECT_FALSE(ReadValue(HKLM, kRunServices, "Tkpsvc").present);
        ExpectText(kRun, "TkpSvc", s + "\\TkpSvc.exe");
        ExpectText(kRun, "ProcWatch", s + "\\ProcWatch.exe");
    }
    // Other start-up entries are not touched.
    EXPECT_TRUE(ReadValue(HKLM, kRunServices, "TkpsvcOther").present);
}

TEST(EngineRegistry, OldRunServicesEntryGoesOnlyWhenItFitsNinetyNineBytes) {
    KeyKeeper runServices(HKLM, kRunServices);
    struct Case {
        size_t characters;  // stored size is one more
        bool removed;
    };
    for (Case c : {Case{97, true}, Case{98, true}, Case{99, false}, Case{400, false}}) {
        SCOPED_TRACE(c.characters + 1);
        WriteText(HKLM, kRunServices, "Tkpsvc", std::string(c.characters, 't'));
        rs::RemoveOldServiceProgramEntry();
        RegValue v = ReadValue(HKLM, kRunServices, "Tkpsvc");
        EXPECT_EQ(v.present, !c.removed);
        if (v.present) {
            EXPECT_EQ(v.Text(), Stored(std::string(c.characters, 't')));
        }
    }
    // A number under that name fits as well.
    DWORD n = 1;
    WriteValue(HKLM, kRunServices, "Tkpsvc", REG_DWORD, &n, sizeof n);
    rs::RemoveOldServiceProgramEntry();
    EXPECT_FALSE(ReadValue(HKLM, kRunServices, "Tkpsvc").present);
}

TEST(EngineRegistry, KeysThatAreOnlyOpenedAreNeverCreated) {
    KeyKeeper run(HKLM, kRun), runServices(HKLM, kRunServices);
    // The Wine prefix's Run and RunServices keys have no subkeys.
    ASSERT_EQ(RegDeleteKeyA(HKLM, kRun), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKLM, kRunServices), ERROR_SUCCESS);
    rs::RemoveOldServiceProgramEntry();
    rs::WriteStartupEntries();
    EXPECT_FALSE(KeyExists(HKLM, kRun));
    EXPECT_FALSE(KeyExists(HKLM, kRunServices));
}

TEST(EngineRegistry, PathBWritesFourKernelServicesTheEventSourceAndTheUninstallEntry) {
    struct Service {
        const char* name;
        DWORD start;
        const char* imagePath;
        const char* displayName;
        const char* group;
    };
    const Service services[] = {
        {"Smclib", 2, nullptr, "Smardcard Library", "Extended base"},
        {"WDUSBD", 1, nullptr, "wdusbd", "Extended base"},
        {"WINDRIVER", 1, "\\SystemRoot\\System32\\Drivers\\windrvr.sys", "WinDriver", "Extended base"},
        {"ORVEX", 2, nullptr, "ORVEX PC/SC Smart Card Reader Driver", "Smart Card Reader"},
    };
    std::vector<std::unique_ptr<KeyKeeper>> keepers;
    for (const Service& s : services) {
        ASSERT_FALSE(KeyExists(HKLM, std::string(kServices) + s.name)) << s.name;
        keepers.push_back(std::make_unique<KeyKeeper>(HKLM, std::string(kServices) + s.name));
    }
    const std::string eventSource = std::string(kServices) + "EventLog\\System\\ORVEX";
    KeyKeeper eventKeeper(HKLM, eventSource), uninstallKeeper(HKLM, kUninstall);

    rs::WriteSmartCardLibraryService();
    rs::WriteUsbDriverService();
    rs::WriteWinDriverService();
    rs::WriteReaderDriverService();
    rs::WriteEventLogSource();
    EXPECT_TRUE(rs::WriteUninstallEntry());

    for (const Service& s : services) {
        SCOPED_TRACE(s.name);
        const std::string key = std::string(kServices) + s.name;
        ExpectNumber(key, "Start", s.start);
        ExpectNumber(key, "Type", 1);
        ExpectNumber(key, "ErrorControl", 1);
        if (s.imagePath) {
            ExpectText(key, "ImagePath", s.imagePath);
        } else {
            EXPECT_FALSE(ReadValue(HKLM, key, "ImagePath").present);
        }
        ExpectText(key, "DisplayName", s.displayName);
        ExpectText(key, "Group", s.group);
    }
    const std::string w = WindowsFolder();
    ExpectText(eventSource, "EventMessageFile", w + "\\System32\\drivers\\orvex.sys");
    ExpectNumber(eventSource, "TypesSupported", 7);
    ExpectText(kUninstall, "UninstallString",
               "RunDll32 advpack.dll,LaunchINFSection " + w + "\\inf\\orvexunst.inf, DefaultUninstall.NT");
    ExpectText(kUninstall, "DisplayName", "ORVEX PC/SC Smart Card Reader Driver");
}

// Wine does not apply a key's access list against the (administrator)
// test process, so a denying DACL cannot make creation fail as it does on
// Windows. A volatile parent can: it refuses lasting subkeys.
TEST(EngineRegistry, UninstallEntryIsLeftOutWhenItsKeyCannotBeCreated) {
    const char parent[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKLM, parent, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD subkeys = 0, values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    if (subkeys != 0 || values != 0) GTEST_SKIP() << "the uninstall branch is in use in this prefix";

    ASSERT_EQ(RegDeleteKeyA(HKLM, parent), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKLM, parent, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    bool created = rs::WriteUninstallEntry();
    bool exists = KeyExists(HKLM, kUninstall);

    RegDeleteTreeA(HKLM, parent);
    RegDeleteKeyA(HKLM, parent);
    CreateKey(HKLM, parent);
    EXPECT_FALSE(created);
    EXPECT_FALSE(exists);
}

}  // namespace
