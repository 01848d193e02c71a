// Thin registry access under HKEY_LOCAL_MACHINE for the engine's steps:
// open or create a key, write typed values, the 99-byte value read, and a
// subtree deletion that works where a key with subkeys cannot be deleted.
// Every change is told in the run log.
#pragma once
#include <windows.h>

#include <cstring>

#include <string>

#include "base/handles.h"

namespace rs {

// An open key with the path it was reached by, for the log's lines; the
// path is the caller's and must outlive the key (the engine's are literals).
class MachineKey {
public:
    MachineKey() = default;
    MachineKey(unique_hkey key, const char* path) : key_(std::move(key)), path_(path) {}
    HKEY get() const { return key_.get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }
    const char* path() const { return path_; }

private:
    unique_hkey key_;
    const char* path_ = "";
};

// Existing keys only; one opened to be written to is a step of its own,
// whose failure is logged.
MachineKey OpenMachineKey(const char* path, bool toWrite = false);
MachineKey CreateMachineKey(const char* path);  // with missing parents; a failure logged

// A value set, as RegSetValueEx takes it; a failure is logged.
LONG SetValue(const MachineKey& key, const char* name, DWORD type, const void* data, DWORD size);
// Text values are stored with their terminating NUL.
inline LONG SetTextValue(const MachineKey& key, const char* name, const char* text) {
    return SetValue(key, name, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}
inline LONG SetTextValue(const MachineKey& key, const char* name, const std::string& text) {
    return SetTextValue(key, name, text.c_str());
}
inline LONG SetNumberValue(const MachineKey& key, const char* name, DWORD number) {
    return SetValue(key, name, REG_DWORD, &number, sizeof number);
}
inline LONG SetByteValue(const MachineKey& key, const char* name, BYTE byte) {  // REG_BINARY, one byte
    return SetValue(key, name, REG_BINARY, &byte, sizeof byte);
}
// A value that is not there is no failure.
LONG DeleteValue(const MachineKey& key, const char* name);

// Reads a value as zero-terminated text, offering 99 bytes: a value whose
// data do not fit counts as absent. The type is not looked at.
bool ReadValue99(HKEY key, const char* name, std::string& text);

// Deletes child of parent with every key beneath it, deepest keys first.
LONG DeleteKeyTree(const MachineKey& parent, const char* child);

}  // namespace rs
