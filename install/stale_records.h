// Silent removal of stale device records (Windows 95/98/Me path).
#pragma once
#include <string>

namespace rs {

void RemoveStaleUsbRecord();
void RemoveSerialReaderRecord();

// "Enum\USB\VID_0D4E&PID_0010\INST_n" for n = 0..8, the only instances looked at.
std::string UsbInstanceKeyPath(int n);

// A class read from an instance marks the record stale when it is "UnKnown"
// in any letter case, nothing more and nothing less.
bool IsStaleClass(const std::string& deviceClass);

}  // namespace rs
