// Driver binding through pnpbind.dll, the external installers and the
// system restart prompt.
#pragma once
#include <windows.h>

#include <string>

#include "app/texts.h"

namespace rs {

// 1 once bound; 0 after the user cancelled the re-plug prompt (the end of
// the program has then been requested).
int BindReaderDriver(HWND owner, DisplayLanguage language, const std::string& infPath);

// 1 when the program started and has ended, 0 when it failed to start (the
// start's error code left as the last error).
int RunAndWait(const std::string& programPath, const std::string& workingFolder);

// SetupPromptReboot with no file queue; its result is not looked at.
void ShowRestartPrompt(HWND owner);

}  // namespace rs
