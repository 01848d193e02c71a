// A run with switches: what deployment tools start, unattended or not.
#pragma once
#include "base/handles.h"

namespace rs {

// Every run holds this mark while it lives, so that an unattended run can
// tell that another setup.exe of this driver is under way (in any session).
unique_handle HoldRunningMark(bool& anotherRunning);

// The three windows in their fixed order, then the message loop (main.cpp);
// a run nobody watches may keep the setup window hidden and start its pass
// through `started`.
void RunWindows(bool showSetupWindow, void (*started)());

// The whole run for these arguments (the program's name left out); its
// exit code.
unsigned RunWithSwitches(int count, const char* const* args, bool anotherRunning);

}  // namespace rs
