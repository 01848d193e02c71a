// Shared by the engine's integration tests: reading the registry back with
// the plain API, keeping a key's values to put them back afterwards.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace enginetest {

struct RegValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
    std::string Text() const {
        std::string s(data.begin(), data.end());
        return s;  // the stored bytes, terminator included
    }
    DWORD Number() const {
        DWORD n = 0;
        if (data.size() == sizeof n) memcpy(&n, data.data(), sizeof n);
        return n;
    }
};

inline bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
    if (rc != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline RegValue ReadValue(HKEY root, const std::string& path, const char* name) {
    RegValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        if (RegQueryValueExA(key, name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS) {
            v.data.resize(size);
            v.present = true;
        }
    }
    RegCloseKey(key);
    return v;
}

inline DWORD ValueCount(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return values;
}

// The stored form of a text value: its characters and the terminating NUL.
inline std::string Stored(const std::string& text) { return text + '\0'; }

inline void WriteValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

inline void WriteText(HKEY root, const std::string& path, const char* name, const std::string& text) {
    WriteValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline void CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

inline std::string WindowsFolder() {
    char buffer[MAX_PATH * 2] = {};
    UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
    return std::string(buffer, n < sizeof buffer ? n : 0);
}

inline std::string SystemFolder() {
    char buffer[MAX_PATH * 2] = {};
    UINT n = GetSystemDirectoryA(buffer, sizeof buffer);
    return std::string(buffer, n < sizeof buffer ? n : 0);
}

// Remembers whether a key existed and its values (not its subkeys), and
// puts exactly that back when the test ends.
class KeyKeeper {
public:
    KeyKeeper(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
        HKEY key = nullptr;
        existed_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (!existed_) return;
        for (DWORD i = 0;; ++i) {
            char name[16384];
            DWORD nameLength = sizeof name, type = 0, size = 0;
            if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            Saved s{name, type, std::vector<BYTE>(size)};
            nameLength = sizeof name;
            RegEnumValueA(key, i, name, &nameLength, nullptr, &type, s.data.data(), &size);
            saved_.push_back(std::move(s));
        }
        RegCloseKey(key);
    }
    KeyKeeper(const KeyKeeper&) = delete;
    KeyKeeper& operator=(const KeyKeeper&) = delete;
    ~KeyKeeper() {
        if (!existed_) {
            RegDeleteTreeA(root_, path_.c_str());
            RegDeleteKeyA(root_, path_.c_str());
            return;
        }
        HKEY key = nullptr;
        if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        // Drop every value, then write back what was there.
        for (;;) {
            char name[16384];
            DWORD nameLength = sizeof name;
            if (RegEnumValueA(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
        }
        for (const Saved& s : saved_)
            RegSetValueExA(key, s.name.c_str(), 0, s.type, s.data.data(), static_cast<DWORD>(s.data.size()));
        RegCloseKey(key);
    }
    bool Existed() const { return existed_; }

private:
    struct Saved {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    HKEY root_;
    std::string path_;
    bool existed_ = false;
    std::vector<Saved> saved_;
};

}  // namespace enginetest
