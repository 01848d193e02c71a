// Thin registry access under HKEY_LOCAL_MACHINE for the engine's steps:
// open or create a key, write typed values, the 99-byte value read, and a
// subtree deletion that works where a key with subkeys cannot be deleted.
// Every change is told in the run log.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"

namespace rs {

// An open key with the path it was reached by, for the log's lines.
class MachineKey {
public:
    MachineKey() = default;
    MachineKey(unique_hkey key, std::string path) : key_(std::move(key)), path_(std::move(path)) {}
    HKEY get() const { return key_.get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }
    const std::string& path() const { return path_; }

private:
    unique_hkey key_;
    std::string path_;
};

MachineKey OpenMachineKey(const char* path);    // existing keys only
MachineKey CreateMachineKey(const char* path);  // with missing parents

// Text values are stored with their terminating NUL.
LONG SetTextValue(const MachineKey& key, const char* name, const std::string& text);
LONG SetNumberValue(const MachineKey& key, const char* name, DWORD number);
LONG SetByteValue(const MachineKey& key, const char* name, BYTE byte);  // REG_BINARY, one byte
LONG DeleteValue(const MachineKey& key, const char* name);

// Reads a value as zero-terminated text, offering 99 bytes: a value whose
// data do not fit counts as absent. The type is not looked at.
bool ReadValue99(HKEY key, const char* name, std::string& text);

// Deletes child of parent with every key beneath it, deepest keys first.
LONG DeleteKeyTree(const MachineKey& parent, const char* child);

}  // namespace rs
