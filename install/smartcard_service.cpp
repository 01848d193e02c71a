#include "install/smartcard_service.h"

#include "base/handles.h"
#include "base/run_log.h"
#include "install/registry_io.h"
#include "install/service_wait_rules.h"

namespace rs {

namespace {

constexpr char kServiceName[] = "SCardSvr";
constexpr const char* kRunKeys[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
};
// Only whether the value exists matters; a longer value counts as absent.

bool QueryStatus(SC_HANDLE service, ServiceStatus& out) {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return false;
    out.currentState = status.dwCurrentState;
    out.checkPoint = status.dwCheckPoint;
    out.waitHint = status.dwWaitHint;
    return true;
}

}  // namespace

// Nothing here fails the run, only warns: a disabled or missing service is
// the administrator's to mend, and the reader's files are in place.
int StartSmartCardService() {
    unique_schandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | STANDARD_RIGHTS_READ));
    if (!manager) {
        runlog::Warning(false, GetLastError(), "service SCardSvr: no service manager");
        return -1;
    }
    unique_schandle service(OpenServiceA(manager.get(), kServiceName,
                                         SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG | SERVICE_START));
    if (!service) {
        runlog::Warning(false, GetLastError(), "service SCardSvr: cannot be opened");
        return -2;
    }

    // A refused change (no administrator rights) must not stop the start.
    const BOOL configured =
        ChangeServiceConfigA(service.get(), SERVICE_WIN32_SHARE_PROCESS, SERVICE_AUTO_START, SERVICE_NO_CHANGE,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    runlog::Warning(configured, GetLastError(), "service SCardSvr: automatic start");

    const SC_HANDLE h = service.get();
    ServiceStartCalls calls;
    calls.query = [h](ServiceStatus& s) { return QueryStatus(h, s); };
    calls.start = [h] { return StartServiceA(h, 0, nullptr) != FALSE; };
    calls.tickCount = [] { return static_cast<std::uint32_t>(GetTickCount()); };
    calls.sleep = [](std::uint32_t ms) { Sleep(ms); };
    // The handles close on return, service before manager.
    const int result = StartServiceAndWait(calls);
    runlog::Line(result == 0 ? "service SCardSvr: started, running"
                             : "service SCardSvr: not started by this run");
    return result;
}

void RemoveSmartCardRunValues() {
    for (const char* keyPath : kRunKeys) {
        const MachineKey key = OpenMachineKey(keyPath);
        if (!key) continue;
        std::string data;  // only whether it reads in 99 bytes matters
        if (!ReadValue99(key.get(), kServiceName, data)) continue;
        const LONG deleted = DeleteValue(key, kServiceName);
        (void)deleted;  // nothing is reported; the other list is still handled
    }
}

}  // namespace rs
