// pnpbind64.exe: makes the Plug and Play driver update for the 32-bit
// binding library on 64-bit Windows, where the platform refuses it from a
// 32-bit process. The result travels back in the exit code.
#include <windows.h>

#include <cstdint>

#include "pnpbind/newdev_call.h"
#include "pnpbind/pnpbind_rules.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A fault must end this process at once, never wait on an error dialog:
    // the library blocks until we are gone.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    auto request = rs::pnpbind::ParseHelperArguments(rs::pnpbind::SplitCommandLine(GetCommandLineA()));
    if (!request) return static_cast<int>(rs::pnpbind::kHelperBadArguments);

    BOOL restart = FALSE;
    BOOL bound = rs::pnpbind::CallUpdateDriver(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request->parent)),
                                               request->hardwareId.c_str(), request->infPath.c_str(), request->flags,
                                               request->wantsRestartFlag ? &restart : nullptr);
    rs::pnpbind::BindResult result{bound != FALSE, restart != FALSE};
    return static_cast<int>(rs::pnpbind::EncodeHelperExit(result));
}
