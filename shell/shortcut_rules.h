// Names, paths and messages of the shortcut creation, without Windows.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace rs {

// A new shortcut's file: folder + "\" + name + ".lnk".
std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& name);

// The target up to its last "\" ("C:" for a file in a drive's root); none
// for an empty target or a bare file name.
std::optional<std::string> ShortcutWorkingDirectory(const std::string& target);

// The message raised when no link object can be had for an existing item:
// the formatted codes, ": ", then the system's text for the last error as
// given (its line break kept), cut to what its 500-character buffer holds.
std::string ExistingLinkFailureMessage(std::uint32_t hresult, std::uintptr_t object, const std::string& systemText);

}  // namespace rs
