// Runs the stale-record removal once, so a test can run it under a chosen
// Windows version.
#include <windows.h>

#include "install/stale_records.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    rs::RemoveStaleUsbRecord();
    rs::RemoveSerialReaderRecord();
    return 0;
}
