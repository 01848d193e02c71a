// The utility installation with the Windows folder given, so that the
// Program Files fallback can be exercised on another drive.
#pragma once
#include <windows.h>

#include <string>

#include "app/texts.h"

namespace rs {

void InstallUtilitiesAndGuide(HWND owner, DisplayLanguage language, const std::string& windowsDirectory);

// File-system path of a shell special folder; empty when it has none.
std::string SpecialFolderPath(HWND owner, int folderId);

}  // namespace rs
