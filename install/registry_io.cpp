#include "install/registry_io.h"

#include <array>

namespace rs {

unique_hkey OpenMachineKey(const char* path) {
    unique_hkey key;
    LONG rc = RegOpenKeyA(HKEY_LOCAL_MACHINE, path, key.put());
    if (rc != ERROR_SUCCESS) key.release();
    return key;
}

unique_hkey CreateMachineKey(const char* path) {
    unique_hkey key;
    LONG rc = RegCreateKeyA(HKEY_LOCAL_MACHINE, path, key.put());
    if (rc != ERROR_SUCCESS) key.release();
    return key;
}

LONG SetTextValue(HKEY key, const char* name, const std::string& text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LONG SetNumberValue(HKEY key, const char* name, DWORD number) {
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
}

bool ReadValue99(HKEY key, const char* name, std::string& text) {
    constexpr DWORD kOffered = 99;
    // One byte more than offered, so data stored without a terminator still end.
    std::array<char, kOffered + 1> buffer{};
    DWORD size = kOffered;
    LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc != ERROR_SUCCESS) return false;
    text.assign(buffer.data());
    return true;
}

LONG DeleteKeyTree(HKEY parent, const char* child) {
    unique_hkey key;
    LONG rc = RegOpenKeyA(parent, child, key.put());
    if (rc != ERROR_SUCCESS) {
        key.release();
        return rc;
    }
    // Subkeys that refuse deletion are stepped over so the walk ends.
    DWORD index = 0;
    for (;;) {
        std::array<char, 256> name{};  // key names have at most 255 characters
        DWORD length = static_cast<DWORD>(name.size());
        rc = RegEnumKeyExA(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        if (DeleteKeyTree(key.get(), name.data()) != ERROR_SUCCESS) ++index;
    }
    key.reset();
    return RegDeleteKeyA(parent, child);
}

}  // namespace rs
