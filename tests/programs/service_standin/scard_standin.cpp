// Stand-in for the Smart Card service in the tests. The mode comes from the
// command line registered as the service's binary path:
//   quick    running at once
//   pending  start pending with a check point rising every 400 ms for about
//            2.8 s (longer than its 1000 ms wait hint), then running
//   slow     start pending with a fixed check point and a 1000 ms wait hint
//            for 3.5 s, then running
//   stops    start pending for 300 ms, then stopped (the start failed)
// Once running it accepts stop; it ends by itself after two minutes so that
// a test that fails half way leaves nothing behind.
#include <windows.h>

#include <cstring>

namespace {

char g_mode[16] = "quick";
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;

void Report(DWORD state, DWORD checkPoint, DWORD waitHint, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS s{};
    s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    s.dwCurrentState = state;
    s.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    s.dwWin32ExitCode = exitCode;
    s.dwCheckPoint = checkPoint;
    s.dwWaitHint = waitHint;
    SetServiceStatus(g_statusHandle, &s);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING, 1, 1000);
        SetEvent(g_stopEvent);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, char**) {
    char name[] = "SCardSvr";
    g_statusHandle = RegisterServiceCtrlHandlerExA(name, Handler, nullptr);
    if (!g_statusHandle) return;
    g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);

    if (std::strcmp(g_mode, "pending") == 0) {
        for (DWORD cp = 1; cp <= 7; ++cp) {
            Report(SERVICE_START_PENDING, cp, 1000);
            Sleep(400);
        }
    } else if (std::strcmp(g_mode, "slow") == 0) {
        Report(SERVICE_START_PENDING, 1, 1000);
        Sleep(3500);
    } else if (std::strcmp(g_mode, "stops") == 0) {
        Report(SERVICE_START_PENDING, 1, 3000);
        Sleep(300);
        Report(SERVICE_STOPPED, 0, 0, ERROR_NOT_READY);
        return;
    }
    Report(SERVICE_RUNNING, 0, 0);
    WaitForSingleObject(g_stopEvent, 120000);
    Report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strlen(argv[1]) < sizeof g_mode) std::strcpy(g_mode, argv[1]);
    char name[] = "SCardSvr";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
