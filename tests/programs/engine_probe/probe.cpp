// Runs one engine operation in a process of its own, so a test can choose
// the Windows version or the system libraries it runs with:
//   engine_probe.exe stale     the stale-record removal
//   engine_probe.exe stage INF the driver staging, logged to stage.log; exit
//                              code 0 not staged, 1 staged
//   engine_probe.exe remove    the driver removal, logged to remove.log; exit
//                              code 1 when found, plus 2 when a step failed
#include <windows.h>

#include <cstring>

#include "base/run_log.h"
#include "install/driver_removal.h"
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
    if (std::strcmp(command, "remove") == 0) {
        rs::runlog::Open("remove.log");
        // Loaded from beside the probe, as setup.exe's import loads it.
        LoadLibraryA("pnpbind.dll");
        const bool found = rs::RemoveReaderDriverFromSystem();
        return (found ? 1 : 0) | (rs::runlog::Failures() ? 2 : 0);
    }
    return 1;
}
