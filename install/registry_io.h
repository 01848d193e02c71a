// Thin registry access under HKEY_LOCAL_MACHINE for the engine's steps:
// open or create a key, write typed values, the 99-byte value read, and a
// subtree deletion that works where a key with subkeys cannot be deleted.
#pragma once
#include <windows.h>

#include <string>

#include "base/handles.h"

namespace rs {

unique_hkey OpenMachineKey(const char* path);    // existing keys only
unique_hkey CreateMachineKey(const char* path);  // with missing parents

// Text values are stored with their terminating NUL.
LONG SetTextValue(HKEY key, const char* name, const std::string& text);
LONG SetNumberValue(HKEY key, const char* name, DWORD number);

// Reads a value as zero-terminated text, offering 99 bytes: a value whose
// data do not fit counts as absent. The type is not looked at.
bool ReadValue99(HKEY key, const char* name, std::string& text);

// Deletes child of parent with every key beneath it, deepest keys first.
LONG DeleteKeyTree(HKEY parent, const char* child);

}  // namespace rs
