// Runs one engine operation in a process of its own, so a test can choose
// the Windows version it runs under:
//   engine_probe.exe stale     the stale-record removal
#include <windows.h>

#include <cstring>

#include "install/stale_records.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command, int) {
    if (std::strcmp(command, "stale") == 0) {
        rs::RemoveStaleUsbRecord();
        rs::RemoveSerialReaderRecord();
        return 0;
    }
    return 1;
}
