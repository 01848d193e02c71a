// Driver binding through pnpbind.dll, the external installers and the
// system restart prompt.
#pragma once
#include <windows.h>

#include <string>

#include "app/texts.h"

namespace rs {

// 1 once bound; 0 after the user cancelled the re-plug prompt (the end of
// the program has then been requested). A run nobody watches tries once
// without any interface; while no reader is plugged in it stages the
// driver for the reader's first plug-in and returns 1, any other failure
// ends the program.
int BindReaderDriver(HWND owner, DisplayLanguage language, const std::string& infPath);

// 1 when the program started and has ended (its exit code in *exitCode),
// 0 when it failed to start (the start's error code left as the last
// error). extraArgs follow the program's quoted path on its command line.
int RunAndWait(const std::string& programPath, const std::string& workingFolder, const char* extraArgs = "",
               DWORD* exitCode = nullptr);

// SetupPromptReboot with no file queue; its result is not looked at.
void ShowRestartPrompt(HWND owner);

// The end of an installation that offers a restart: the prompt as a
// person's run shows it, or what /norestart and /forcerestart ask for;
// the run's outcome records the restart need.
void OfferRestart(HWND owner);

}  // namespace rs
