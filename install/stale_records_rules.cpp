#include <cctype>

#include "install/stale_records.h"

namespace rs {

std::string UsbInstanceKeyPath(int n) {
    std::string path = "Enum\\USB\\VID_0D4E&PID_0010\\INST_0";
    path.back() = static_cast<char>('0' + n);
    return path;
}

bool IsStaleClass(const std::string& deviceClass) {
    static const char kStale[] = "UNKNOWN";
    if (deviceClass.size() != sizeof kStale - 1) return false;
    for (std::size_t i = 0; i < deviceClass.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(deviceClass[i])) != kStale[i]) return false;
    }
    return true;
}

}  // namespace rs
