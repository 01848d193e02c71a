// The running program's own path, whatever its length.
#pragma once
#include <windows.h>

#include <string>

namespace rs {

// Empty when the system cannot tell it.
inline std::string ModuleFileName() {
    std::string name(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (n == 0) return std::string();
        if (n < name.size()) {
            name.resize(n);
            return name;
        }
        name.resize(name.size() * 2);  // cut off: try a larger buffer
    }
}

}  // namespace rs
