// The utility folder under Program Files, the installation guide and the
// "ORVEX Utility" Start-menu group.
#pragma once
#include <windows.h>

#include <string>

#include "app/texts.h"

namespace rs {

// May throw tk::Error from the shortcut creation; nothing else is reported.
void InstallUtilitiesAndGuide(HWND owner, DisplayLanguage language);

// One level of entries from source into destination; false when the search
// cannot start.
bool CopyFolderFiles(const std::string& source, const std::string& destination);

}  // namespace rs
