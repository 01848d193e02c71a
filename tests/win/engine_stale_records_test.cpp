// Removal of stale device records, read back through the plain registry API.
// Wine's registry, like every NT registry, refuses to delete a key that has
// subkeys; the records here carry subkeys, so only a deepest-first removal
// reaches the end state.
#include <gtest/gtest.h>

#include "install/registry_io.h"
#include "install/stale_records.h"
#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"

using namespace enginetest;

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;
const std::string kDevice = "Enum\\USB\\VID_0D4E&PID_0010";
const std::string kSerial = "Enum\\SERENUM\\TVN0001";

class EngineStaleRecords : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(KeyExists(HKLM, "Enum")) << "a fresh prefix has no Enum branch"; }
    void TearDown() override { RegDeleteTreeA(HKLM, "Enum"); }

    static void Instance(int n, const char* deviceClass) {
        const std::string path = kDevice + "\\INST_" + std::to_string(n);
        if (deviceClass) {
            WriteText(HKLM, path, "Class", deviceClass);
        } else {
            CreateKey(HKLM, path);
        }
        // Records carry subkeys of their own, as the device registry keeps them.
        CreateKey(HKLM, path + "\\Device Parameters\\Power");
    }
};

TEST_F(EngineStaleRecords, AnUnknownInstanceTakesTheWholeDeviceKeyWithIt) {
    Instance(0, "SmartCardReader");
    Instance(3, "unknown");
    Instance(5, "UnKnown");
    CreateKey(HKLM, "Enum\\USB\\ROOT_HUB\\0000");
    rs::RemoveStaleUsbRecord();
    EXPECT_FALSE(KeyExists(HKLM, kDevice));
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\USB\\ROOT_HUB\\0000"));
    // A second run meets nothing and changes nothing.
    rs::RemoveStaleUsbRecord();
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\USB\\ROOT_HUB\\0000"));
}

TEST_F(EngineStaleRecords, NothingMatchesButUnknownInTheNineInstances) {
    Instance(0, "UnKnown ");                 // trailing blank
    Instance(1, "UnKnownReader");            // longer text
    Instance(2, nullptr);                    // no class at all
    Instance(8, "Unknow");
    Instance(9, "UnKnown");                  // never examined
    WriteText(HKLM, kDevice + "\\INST_10", "Class", "UnKnown");
    WriteText(HKLM, kDevice + "\\inst_x", "Class", "UnKnown");
    rs::RemoveStaleUsbRecord();
    EXPECT_TRUE(KeyExists(HKLM, kDevice + "\\INST_0\\Device Parameters\\Power"));
    EXPECT_TRUE(KeyExists(HKLM, kDevice + "\\INST_9"));
}

// The scan's ends: INST_0 and INST_8 are each examined (INST_9 never is,
// above).
TEST_F(EngineStaleRecords, FirstAndLastInstancesAreExamined) {
    for (int n : {0, 8}) {
        Instance(n, "UnKnown");
        rs::RemoveStaleUsbRecord();
        EXPECT_FALSE(KeyExists(HKLM, kDevice)) << "INST_" << n;
    }
}

TEST_F(EngineStaleRecords, ClassValuesAreReadThroughNinetyNineBytes) {
    // 98 characters and the terminator fit; no match, nothing deleted.
    Instance(0, std::string(98, 'k').c_str());
    // A longer class counts as unreadable for its instance.
    Instance(1, (std::string("UnKnown") + std::string(100, ' ')).c_str());
    rs::RemoveStaleUsbRecord();
    ASSERT_TRUE(KeyExists(HKLM, kDevice));

    // The type is not looked at: 99 raw bytes holding "UnKnown" and a
    // terminator fit and match; 100 such bytes do not fit.
    std::vector<BYTE> raw(100, 'x');
    memcpy(raw.data(), "UnKnown", 8);
    WriteValue(HKLM, kDevice + "\\INST_2", "Class", REG_BINARY, raw.data(), 100);
    rs::RemoveStaleUsbRecord();
    ASSERT_TRUE(KeyExists(HKLM, kDevice));
    WriteValue(HKLM, kDevice + "\\INST_2", "Class", REG_BINARY, raw.data(), 99);
    rs::RemoveStaleUsbRecord();
    EXPECT_FALSE(KeyExists(HKLM, kDevice));
}

TEST_F(EngineStaleRecords, ClassFillingAllNinetyNineBytesIsNotReadPastItsEnd) {
    // No terminator anywhere: the read must end at the 99 bytes themselves.
    const std::string raw = "UnKnown" + std::string(92, 'x');
    WriteValue(HKLM, kDevice + "\\INST_4", "Class", REG_BINARY, raw.data(), 99);
    auto key = rs::OpenMachineKey((kDevice + "\\INST_4").c_str());
    ASSERT_TRUE(key);
    std::string text;
    ASSERT_TRUE(rs::ReadValue99(key.get(), "Class", text));
    EXPECT_EQ(text, raw);
    key = {};
    rs::RemoveStaleUsbRecord();
    EXPECT_TRUE(KeyExists(HKLM, kDevice));
}

TEST_F(EngineStaleRecords, SerialReaderRecordGoesAndItsNeighboursStay) {
    CreateKey(HKLM, kSerial + "\\ROOT&0000\\Device Parameters");
    CreateKey(HKLM, kSerial + "\\ROOT&0001");
    CreateKey(HKLM, "Enum\\SERENUM\\TVN0002\\0000");
    rs::RemoveSerialReaderRecord();
    EXPECT_FALSE(KeyExists(HKLM, kSerial));
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\SERENUM\\TVN0002\\0000"));
    rs::RemoveSerialReaderRecord();
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\SERENUM\\TVN0002\\0000"));
}

// Under Windows 98 settings Wine's RegDeleteKey removes a tree only in part
// (it stops after the first of several subkeys), unlike Windows 98 itself;
// the removal must reach the whole end state there too.
TEST_F(EngineStaleRecords, WholeRecordsGoUnderWindows98Settings) {
    const char appDefaults[] = "Software\\Wine\\AppDefaults\\engine_probe.exe";
    WriteText(HKEY_CURRENT_USER, appDefaults, "Version", "win98");
    for (int n : {0, 1, 2}) Instance(n, n == 2 ? "UnKnown" : "Ports");
    CreateKey(HKLM, kSerial + "\\ROOT&0000\\Device Parameters");
    CreateKey(HKLM, kSerial + "\\ROOT&0001\\Device Parameters");
    CreateKey(HKLM, "Enum\\SERENUM\\TVN0002");

    const wintest::ProgramRun run = wintest::RunProgram("engine_probe.exe stale", "", false, 30000);
    RegDeleteTreeA(HKEY_CURRENT_USER, appDefaults);
    ASSERT_TRUE(run.started && run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(KeyExists(HKLM, kDevice));
    EXPECT_FALSE(KeyExists(HKLM, kSerial));
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\SERENUM\\TVN0002"));
}

TEST_F(EngineStaleRecords, HarmlessWhereNeitherRecordExists) {
    rs::RemoveStaleUsbRecord();
    rs::RemoveSerialReaderRecord();
    EXPECT_FALSE(KeyExists(HKLM, "Enum"));
    CreateKey(HKLM, "Enum\\SERENUM");
    rs::RemoveSerialReaderRecord();
    EXPECT_TRUE(KeyExists(HKLM, "Enum\\SERENUM"));
}

}  // namespace
