// Driver file deployment: the copy table, the attribute-resetting copy and
// the three-language copy-failure message.
#pragma once
#include <windows.h>

#include <string>

#include "install/copy_table.h"

namespace rs {

// Resets the destination's attributes, copies over it and clears the
// copy's read-only attribute (its others stay as the copy left them); a
// failed copy's last error is left for the caller.
BOOL InstallFile(const char* source, const char* destination);
inline BOOL InstallFile(const std::string& source, const std::string& destination) {
    return InstallFile(source.c_str(), destination.c_str());
}

// A row of the copy table through InstallFile, except a system component
// whose installed file is newer than the medium's: that one stays, and
// counts as done (the log says which version was kept).
BOOL InstallRow(const CopyRow& row);

// The message for the last copy failure, in the narrow form the message box
// takes (the Traditional Chinese text in code page 950).
std::string CopyFailureText(const std::string& fileName, DisplayLanguage language);
// The same for a code the caller has kept (calls in between may change the
// last error).
std::string CopyFailureText(const std::string& fileName, DisplayLanguage language, std::int32_t errorCode);

// The Windows, system and current folders as the system reports them,
// whole however long; empty when they cannot be read.
std::string WindowsDirectory();
std::string SystemDirectory();
std::string CurrentDirectory();

// A row's destination: its folder followed by its tail.
std::string DestinationOf(const CopyRow& row);

}  // namespace rs
