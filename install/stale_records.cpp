#include "install/stale_records.h"

#include "install/registry_io.h"

// Silent: nothing here is reported and nothing stops the installation.
namespace rs {

void RemoveStaleUsbRecord() {
    for (int n = 0; n <= 8; ++n) {
        std::string deviceClass;
        {
            const std::string path = UsbInstanceKeyPath(n);
            MachineKey instance = OpenMachineKey(path.c_str());
            if (!instance) continue;
            if (!ReadValue99(instance.get(), "Class", deviceClass)) continue;
        }
        if (!IsStaleClass(deviceClass)) continue;
        MachineKey usb = OpenMachineKey("Enum\\USB");
        if (!usb) continue;
        DeleteKeyTree(usb, "VID_0D4E&PID_0010");
    }
}

void RemoveSerialReaderRecord() {
    MachineKey serenum = OpenMachineKey("Enum\\SERENUM");
    if (!serenum) return;
    DeleteKeyTree(serenum, "TVN0001");
}

}  // namespace rs
