// The reader's driver removal as setup.exe makes it (engine_probe.exe
// remove), with the real binding library beside it: in the 32-bit prefix
// the library makes the calls, in the 64-bit one its helper does, and
// without the helper there nothing is removed.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include "tests/win/win_test_support.h"

using namespace wintest;

namespace {

constexpr char kReaderId[] = "USB\\Vid_0d4e&Pid_0010";

// Instance IDs of the device nodes whose hardware IDs hold `id`.
std::set<std::string> NodesOf(const char* id) {
    std::set<std::string> nodes;
    HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    SP_DEVINFO_DATA node{sizeof node, {}, 0, 0};
    for (DWORD i = 0; set != INVALID_HANDLE_VALUE && SetupDiEnumDeviceInfo(set, i, &node); ++i) {
        char ids[2048] = {}, instance[512] = {};
        if (SetupDiGetDeviceRegistryPropertyA(set, &node, SPDRP_HARDWAREID, nullptr, reinterpret_cast<BYTE*>(ids),
                                              sizeof ids - 2, nullptr) &&
            lstrcmpiA(ids, id) == 0 && SetupDiGetDeviceInstanceIdA(set, &node, instance, sizeof instance, nullptr))
            nodes.insert(instance);
    }
    if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
    return nodes;
}

// A root-enumerated device with the hardware ID, as Plug and Play would
// have made it for a plugged-in reader.
void MakeRootDevice(const char* id, const char* name) {
    GUID readers = {0x50dd5230, 0xba8a, 0x11d1, {0xbf, 0x5d, 0x00, 0x00, 0xf8, 0x05, 0xf5, 0x30}};
    HDEVINFO set = SetupDiCreateDeviceInfoList(&readers, nullptr);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA node{sizeof node, {}, 0, 0};
    const std::string ids = std::string(id) + '\0' + '\0';
    EXPECT_TRUE(SetupDiCreateDeviceInfoA(set, name, &readers, nullptr, nullptr, DICD_GENERATE_ID, &node) &&
                SetupDiSetDeviceRegistryPropertyA(set, &node, SPDRP_HARDWAREID,
                                                  reinterpret_cast<const BYTE*>(ids.data()),
                                                  static_cast<DWORD>(ids.size())) &&
                SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &node))
        << GetLastError();
    SetupDiDestroyDeviceInfoList(set);
}

void RemoveNodes(const char* id) {
    for (const std::string& node : NodesOf(id)) {
        HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
        SP_DEVINFO_DATA data{sizeof data, {}, 0, 0};
        if (SetupDiOpenDeviceInfoA(set, node.c_str(), nullptr, 0, &data)) SetupDiRemoveDevice(set, &data);
        SetupDiDestroyDeviceInfoList(set);
    }
    ASSERT_TRUE(NodesOf(id).empty());
}

std::string InfFolder() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows) + "\\inf\\";
}

TEST(EngineRemoval, RemovesTheReadersNodesAndPackagesOnly) {
    const std::string inf = InfFolder(), sample = ProgramFolder() + "sample-medium\\Drivers\\winxp\\orvex.inf";
    const std::string readerInf = ReadWholeFile(sample);
    ASSERT_NE(readerInf.find(kReaderId), std::string::npos);
    ASSERT_TRUE(SetFileAttributesA(sample.c_str(), FILE_ATTRIBUTE_READONLY));  // as on a disc: so is its copy
    struct Row {
        const char* name;
        bool stage, device, helper, bind;
        DWORD exitCode;        // 1 found, 2 a step failed
        const char* logLine;   // as the step logs it; "" for none
    };
    const bool wow64 = Is64BitPrefix();
    const char* const packageRemoved = "removed driver package \"C:\\windows\\inf\\orvex.inf\": ok";
    const Row rows[] = {
        {"staged package", true, false, true, false, 1, packageRemoved},
        {"root device", false, true, true, false, 1, "removed device node \"ROOT\\RSREADER\\0000\": ok"},
        {"bound root device", false, true, true, true, 1, packageRemoved},
        {"nothing of the reader's", false, false, true, false, 0, "driver removal: no device node and no driver"},
        {"no helper beside the library", true, true, false, false, wow64 ? 2u : 1u,
         wow64 ? "pnpbind64.exe\": no answer: failed, error 2" : "removed driver package"},
    };
    // Never removed: another device, a package that names the reader but is
    // not its INF, and in the nothing row the reader's INF name without its ID.
    MakeRootDevice("ROOT\\RSOTHER", "RSOTHER");
    ASSERT_TRUE(WriteWholeFile(inf + "oem90.inf", readerInf + "; another package\r\n"));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string folder = ProgramFolder() + "removal " + std::to_string(&row - rows) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const std::string file : {"engine_probe.exe", "realbind\\pnpbind.dll", "realbind\\pnpbind64.exe"}) {
            const std::string name = file.substr(file.find('\\') + 1);
            RemoveFile(folder + name);
            if (row.helper || name != "pnpbind64.exe") {
                ASSERT_TRUE(CopyFileA((ProgramFolder() + file).c_str(), (folder + name).c_str(), FALSE)) << file;
            }
        }
        if (row.stage) {
            char copy[MAX_PATH] = {};
            ASSERT_TRUE(SetupCopyOEMInfA(sample.c_str(), nullptr, SPOST_PATH, 0, copy, MAX_PATH, nullptr, nullptr));
            ASSERT_EQ(lstrcmpiA(copy, (inf + "orvex.inf").c_str()), 0) << copy;  // Wine keeps the INF's name
        } else if (!row.device) {
            ASSERT_TRUE(WriteWholeFile(inf + "orvex.inf", "[Version]\r\nSignature=\"$Windows NT$\"\r\n"));
        }
        if (row.device) MakeRootDevice(kReaderId, "RSREADER");
        if (row.bind) {
            using UpdateFn = BOOL(WINAPI*)(HWND, LPCSTR, LPCSTR, DWORD, PBOOL);
            const auto update = reinterpret_cast<UpdateFn>(reinterpret_cast<void*>(
                GetProcAddress(LoadLibraryA("newdev.dll"), "UpdateDriverForPlugAndPlayDevicesA")));
            ASSERT_TRUE(update && update(nullptr, kReaderId, sample.c_str(), 1, nullptr));
        }
        const std::set<std::string> infBefore = ListFolder(inf), readerNodes = NodesOf(kReaderId);
        EXPECT_EQ(readerNodes.size(), row.device ? 1u : 0u);

        const ProgramRun run = RunProgram(folder + "engine_probe.exe remove", folder, false, 60000);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, row.exitCode);
        const std::string log = ReadWholeFile(folder + "remove.log");
        EXPECT_NE(log.find(row.logLine), std::string::npos) << log;
        const bool removed = row.exitCode == 1;
        EXPECT_EQ(FileExists(inf + "orvex.inf"), (row.stage || !row.device) && !removed) << log;
        EXPECT_EQ(NodesOf(kReaderId).empty(), removed || !row.device) << log;
        EXPECT_EQ(NodesOf("ROOT\\RSOTHER").size(), 1u);
        EXPECT_TRUE(FileExists(inf + "oem90.inf"));
        const std::set<std::string> infAfter = ListFolder(inf);
        for (const std::string& name : infBefore)  // only the reader's INF and its precompiled form go
            EXPECT_TRUE(infAfter.count(name) || (removed && !lstrcmpiA(name.substr(0, 6).c_str(), "orvex."))) << name;
        for (const std::string& name : infAfter) EXPECT_TRUE(infBefore.count(name)) << name;
        // Left for the next row: nothing of the reader's.
        RemoveFile(inf + "orvex.inf");
        RemoveFile(inf + "orvex.pnf");
        ASSERT_NO_FATAL_FAILURE(RemoveNodes(kReaderId));
    }
    RemoveNodes("ROOT\\RSOTHER");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\ORVEX\\SampleMedium");  // the bound INF's marker
    RemoveFile(inf + "oem90.inf");
}

}  // namespace
