// Finds or creates a named shortcut in a shell special folder.
#pragma once
#include <windows.h>

#include <string>

namespace rs {

// Full path of the shortcut file found or written. Throws tk::Error.
std::string CreateShellShortcut(HWND owner, const std::string& target, const std::string& arguments,
                                const std::string& iconFile, int iconIndex, const std::string& name, int folderId);

}  // namespace rs
