// The installation pass behind Yes: runs inside the Yes handler, on the
// setup window's thread, with the setup window as owner of its messages.
#pragma once

namespace rs {

class TSetupForm;

void RunInstallationPass(TSetupForm& form);

}  // namespace rs
