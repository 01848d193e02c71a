// Runs one engine operation in a process of its own, so a test can choose
// the Windows version or the system libraries it runs with:
//   engine_probe.exe stale     the stale-record removal
//   engine_probe.exe stage INF the driver staging, logged to stage.log; exit
//                              code 0 not staged, 1 staged
#include <windows.h>

#include <cstring>

#include "base/run_log.h"
#include "install/driver_staging.h"
#include "install/stale_records.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command, int) {
    if (std::strcmp(command, "stale") == 0) {
        rs::RemoveStaleUsbRecord();
        rs::RemoveSerialReaderRecord();
        return 0;
    }
    if (std::strncmp(command, "stage ", 6) == 0) {
        rs::runlog::Open("stage.log");
        return rs::StageDriverPackage(command + 6) ? 1 : 0;
    }
    return 1;
}
