// The smart card service operations against the real service control
// manager and registry of the throwaway prefix. "SCardSvr" is played by the
// stand-in service program of the tests; a fresh Wine prefix has no such
// service, but one found there is reconfigured and put back afterwards.
// Result -1 (no service control manager, Windows 95/98/Me only) cannot be
// produced here: Wine always has one, whatever version it reports.
#include "base/handles.h"
#include "install/smartcard_service.h"
#include "tests/win/engine_test_support.h"
#include "tests/win/win_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr char kName[] = "SCardSvr";

DWORD StateOf(SC_HANDLE service) {
    SERVICE_STATUS st{};
    if (!QueryServiceStatus(service, &st)) return 0;
    return st.dwCurrentState;
}

// Polls until the state is one of the wanted ones or the time is up.
bool WaitForState(SC_HANDLE service, DWORD a, DWORD b, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD s = StateOf(service);
        if (s == a || s == b) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
}

struct SavedConfig {
    DWORD serviceType = 0;
    DWORD startType = 0;
    DWORD errorControl = 0;
    std::string binaryPath;
};

// The stand-in's error control: not the operation's, so a change shows.
constexpr DWORD kStandInErrorControl = SERVICE_ERROR_IGNORE;

class SmartCardService : public ::testing::Test {
protected:
    void SetUp() override {
        manager_.reset(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager_) << GetLastError();
        rs::unique_schandle existing(OpenServiceA(manager_.get(), kName, SERVICE_ALL_ACCESS));
        if (existing) {
            existed_ = true;
            std::vector<char> buf(8192);
            auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data());
            DWORD needed = 0;
            ASSERT_TRUE(QueryServiceConfigA(existing.get(), cfg, static_cast<DWORD>(buf.size()), &needed));
            saved_.serviceType = cfg->dwServiceType;
            saved_.startType = cfg->dwStartType;
            saved_.errorControl = cfg->dwErrorControl;
            saved_.binaryPath = cfg->lpBinaryPathName ? cfg->lpBinaryPathName : "";
            StopAndWait(existing.get());
        }
    }

    void TearDown() override {
        if (!manager_) return;
        rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_ALL_ACCESS));
        if (!service) return;
        StopAndWait(service.get());
        if (existed_) {
            EXPECT_TRUE(ChangeServiceConfigA(service.get(), saved_.serviceType, saved_.startType, saved_.errorControl,
                                             saved_.binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr));
        } else {
            EXPECT_TRUE(DeleteService(service.get())) << GetLastError();
            service.reset();
            // It goes once its process and last handle have: the next test
            // must not meet it marked for deletion.
            const DWORD start = GetTickCount();
            while (rs::unique_schandle(OpenServiceA(manager_.get(), kName, SERVICE_QUERY_STATUS))) {
                if (GetTickCount() - start > 10000) {
                    ADD_FAILURE() << kName << " is still registered";
                    break;
                }
                Sleep(100);
            }
        }
    }

    // Registers (or points the existing service at) the stand-in in a mode,
    // on demand start and as its own process, so the operation's change shows.
    void InstallStandIn(const char* mode) {
        std::string command = "\"";
        command += wintest::ProgramFolder();
        command += std::string("scard_standin.exe\" ") + mode;
        if (existed_) {
            rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_CHANGE_CONFIG));
            ASSERT_TRUE(service);
            ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                             kStandInErrorControl, command.c_str(), nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr));
            return;
        }
        rs::unique_schandle service(CreateServiceA(manager_.get(), kName, "Smart Card stand-in", SERVICE_ALL_ACCESS,
                                                   SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                                   kStandInErrorControl, command.c_str(), nullptr, nullptr, nullptr,
                                                   nullptr, nullptr));
        ASSERT_TRUE(service) << GetLastError();
    }

    void ExpectAutomaticSharedProcess() {
        rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_QUERY_CONFIG));
        ASSERT_TRUE(service);
        std::vector<char> buf(8192);
        auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buf.data());
        DWORD needed = 0;
        ASSERT_TRUE(QueryServiceConfigA(service.get(), cfg, static_cast<DWORD>(buf.size()), &needed));
        EXPECT_EQ(cfg->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(cfg->dwServiceType & ~SERVICE_INTERACTIVE_PROCESS, static_cast<DWORD>(SERVICE_WIN32_SHARE_PROCESS));
        EXPECT_EQ(cfg->dwErrorControl, kStandInErrorControl);  // left unchanged
        EXPECT_NE(std::string(cfg->lpBinaryPathName).find("scard_standin.exe"), std::string::npos);
    }

    struct Outcome {
        int result;
        DWORD elapsedMs;
    };
    static Outcome TimedStart() {
        const DWORD t0 = GetTickCount();
        const int result = rs::StartSmartCardService();
        return {result, GetTickCount() - t0};
    }

    DWORD State() {
        rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_QUERY_STATUS));
        return service ? StateOf(service.get()) : 0;
    }

    // Stop is only accepted once running: let a start in progress finish.
    static void StopAndWait(SC_HANDLE service) {
        WaitForState(service, SERVICE_RUNNING, SERVICE_STOPPED, 10000);
        if (StateOf(service) == SERVICE_RUNNING) {
            SERVICE_STATUS st{};
            ControlService(service, SERVICE_CONTROL_STOP, &st);
        }
        EXPECT_TRUE(WaitForState(service, SERVICE_STOPPED, SERVICE_STOPPED, 10000));
    }

    rs::unique_schandle manager_;
    bool existed_ = false;
    SavedConfig saved_;
};

TEST_F(SmartCardService, StartsAndWaitsWhileCheckPointRises) {
    InstallStandIn("pending");
    const Outcome o = TimedStart();
    EXPECT_EQ(o.result, 0);
    // The stand-in stays pending about 2.8 s, past its 1 s wait hint: only
    // the rising check point keeps the operation waiting.
    EXPECT_GE(o.elapsedMs, 2000u);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
    ExpectAutomaticSharedProcess();
}

TEST_F(SmartCardService, StopDuringStartGivesMinusThree) {
    InstallStandIn("stops");
    const Outcome o = TimedStart();
    EXPECT_EQ(o.result, -3);
    EXPECT_LT(o.elapsedMs, 2900u);  // one 1 s sleep, not the 3 s hint and more
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_STOPPED));
    ExpectAutomaticSharedProcess();
}

TEST_F(SmartCardService, StalledStartEndsAfterWaitHint) {
    InstallStandIn("slow");
    const Outcome o = TimedStart();
    // -3: it gave up before the stand-in became running at 3.5 s.
    EXPECT_EQ(o.result, -3);
    EXPECT_GE(o.elapsedMs, 1000u);
    ExpectAutomaticSharedProcess();
}

TEST_F(SmartCardService, AlreadyRunningIsNotStartedNorWaitedFor) {
    InstallStandIn("quick");
    {
        rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_START | SERVICE_QUERY_STATUS));
        ASSERT_TRUE(service);
        ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr)) << GetLastError();
        ASSERT_TRUE(WaitForState(service.get(), SERVICE_RUNNING, SERVICE_RUNNING, 10000));
    }
    const Outcome o = TimedStart();
    EXPECT_EQ(o.result, -3);
    // Any wait would sleep a full second by itself: a behaviour check, not a
    // timing test.
    // A start request would be refused here anyway (already running), so
    // that none is made is counted by the host tests of the wait policy.
    EXPECT_LT(o.elapsedMs, 1000u);
    EXPECT_EQ(State(), static_cast<DWORD>(SERVICE_RUNNING));
    ExpectAutomaticSharedProcess();  // the configuration is still applied
}

TEST_F(SmartCardService, NotInstalledGivesMinusTwo) {
    if (existed_) GTEST_SKIP() << "the prefix has its own SCardSvr service";
    EXPECT_EQ(rs::StartSmartCardService(), -2);
    rs::unique_schandle service(OpenServiceA(manager_.get(), kName, SERVICE_QUERY_STATUS));
    EXPECT_FALSE(service);
}

// --- Start-up values ---

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";

using enginetest::KeyExists;
using enginetest::KeyKeeper;
using enginetest::WriteText;

bool HasValue(const char* path, const char* name) {
    return enginetest::ReadValue(HKEY_LOCAL_MACHINE, path, name).present;
}

class SmartCardRunValues : public ::testing::Test {
protected:
    void SetString(const char* path, const char* name, const std::string& text) {
        WriteText(HKEY_LOCAL_MACHINE, path, name, text);
    }
    KeyKeeper run_{HKEY_LOCAL_MACHINE, kRun}, runServices_{HKEY_LOCAL_MACHINE, kRunServices};
    const DWORD runValues_ = enginetest::ValueCount(HKEY_LOCAL_MACHINE, kRun);
    const DWORD runServicesValues_ = enginetest::ValueCount(HKEY_LOCAL_MACHINE, kRunServices);
};

TEST_F(SmartCardRunValues, BothListsLoseTheValueOthersStay) {
    SetString(kRun, kName, "C:\\WINDOWS\\SCARDSVR.EXE");
    SetString(kRunServices, kName, "C:\\WINDOWS\\SCARDSVR.EXE");
    SetString(kRun, "Other", "other.exe");
    SetString(kRunServices, "Other", "other.exe");
    rs::RemoveSmartCardRunValues();
    EXPECT_FALSE(HasValue(kRun, kName));
    EXPECT_FALSE(HasValue(kRunServices, kName));
    EXPECT_TRUE(HasValue(kRun, "Other"));
    EXPECT_TRUE(HasValue(kRunServices, "Other"));
}

TEST_F(SmartCardRunValues, NeitherListHoldingItChangesNothing) {
    SetString(kRun, "Other", "other.exe");
    rs::RemoveSmartCardRunValues();
    EXPECT_TRUE(HasValue(kRun, "Other"));
    EXPECT_EQ(enginetest::ValueCount(HKEY_LOCAL_MACHINE, kRun), runValues_ + 1);
    EXPECT_EQ(enginetest::ValueCount(HKEY_LOCAL_MACHINE, kRunServices), runServicesValues_);
}

TEST_F(SmartCardRunValues, ValueLongerThanNinetyNineBytesStays) {
    SetString(kRun, kName, std::string(99, 'x'));          // 100 bytes with the terminator
    SetString(kRunServices, kName, std::string(98, 'x'));  // exactly 99 bytes
    rs::RemoveSmartCardRunValues();
    EXPECT_TRUE(HasValue(kRun, kName));
    EXPECT_FALSE(HasValue(kRunServices, kName));
}

TEST_F(SmartCardRunValues, MissingKeyIsPassedOverAndNotCreated) {
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRun), ERROR_SUCCESS);
    SetString(kRunServices, kName, "C:\\WINDOWS\\SCARDSVR.EXE");
    rs::RemoveSmartCardRunValues();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRun));
    EXPECT_FALSE(HasValue(kRunServices, kName));

    SetString(kRun, kName, "C:\\WINDOWS\\SCARDSVR.EXE");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRunServices), ERROR_SUCCESS);
    rs::RemoveSmartCardRunValues();
    EXPECT_FALSE(HasValue(kRun, kName));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRunServices));
}

}  // namespace
