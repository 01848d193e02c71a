// Names, paths and messages of the shortcut creation, without Windows.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace rs {

// A new shortcut's file: folder + "\" + name + ".lnk".
std::wstring ShortcutFilePath(const std::wstring& folder, const std::wstring& name);

// The file a new shortcut is saved to: folder\name.lnk, or, when that name
// is taken by a file the search did not match (another letter case, a
// hidden item), the first free "name (2).lnk", "name (3).lnk", ... so that
// the user's file is neither overwritten nor passed off as ours. Empty when
// none up to "name (99).lnk" is free.
std::wstring FreeShortcutFilePath(const std::wstring& folder, const std::wstring& name,
                                  const std::function<bool(const std::wstring&)>& taken);

// The target up to its last "\" ("C:" for a file in a drive's root); none
// for an empty target or a bare file name.
std::optional<std::string> ShortcutWorkingDirectory(const std::string& target);

// The message raised when no link object can be had for an existing item:
// the formatted codes, ": ", then the system's text for the last error as
// given (its line break kept), cut to its first 499 characters.
std::string ExistingLinkFailureMessage(std::uint32_t hresult, std::uintptr_t object, const std::string& systemText);

}  // namespace rs
