// pnpbind64.exe: makes the Plug and Play driver update for the 32-bit
// binding library on 64-bit Windows, where the platform refuses it from a
// 32-bit process. The result travels back in the exit code. With "remove"
// it removes the reader's driver instead, each removal a line on its
// standard output.
#include <windows.h>

#include <cstdint>
#include <string>

#include "pnpbind/newdev_call.h"
#include "pnpbind/pnpbind_rules.h"
#include "pnpbind/removal.h"
#include "pnpbind/removal_rules.h"

namespace {

void CALLBACK WriteReport(void* answer, BOOL ok, DWORD error, LPCSTR what) {
    if (answer == nullptr) return;
    const std::string line = rs::pnpbind::FormatRemovalReport({ok != FALSE, error, what});
    DWORD written = 0;
    WriteFile(answer, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // A fault must end this process at once, never wait on an error dialog:
    // the library blocks until we are gone.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    // The answer's pipe is for this process alone: programs it starts (the
    // driver update's, a debugger on a fault) must neither inherit it nor
    // write into it, or they could fill it while the library waits.
    HANDLE answer = GetStdHandle(STD_OUTPUT_HANDLE);
    if (answer == INVALID_HANDLE_VALUE) answer = nullptr;
    if (answer != nullptr) {
        SetHandleInformation(answer, HANDLE_FLAG_INHERIT, 0);
        SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    }

    const auto args = rs::pnpbind::SplitCommandLine(GetCommandLineA());
    if (auto removal = rs::pnpbind::ParseRemovalArguments(args)) {
        const bool found = rs::pnpbind::RemoveDriverHere(removal->hardwareId.c_str(), removal->originalInf.c_str(),
                                                         WriteReport, answer);
        return static_cast<int>(rs::pnpbind::EncodeRemovalExit(found));
    }
    auto request = rs::pnpbind::ParseHelperArguments(args);
    if (!request) return static_cast<int>(rs::pnpbind::kHelperBadArguments);

    BOOL restart = FALSE;
    BOOL bound = rs::pnpbind::CallUpdateDriver(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(request->parent)),
                                               request->hardwareId.c_str(), request->infPath.c_str(), request->flags,
                                               request->wantsRestartFlag ? &restart : nullptr);
    if (!bound && answer != nullptr) {
        // The caller reads the failure's own code as if it had made the call.
        const std::string line = rs::pnpbind::FormatHelperError(GetLastError());
        DWORD written = 0;
        WriteFile(answer, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    rs::pnpbind::BindResult result{bound != FALSE, restart != FALSE};
    return static_cast<int>(rs::pnpbind::EncodeHelperExit(result));
}
