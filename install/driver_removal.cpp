#include "install/driver_removal.h"

#include <windows.h>

#include "base/run_log.h"
#include "install/binding_rules.h"
#include "pnpbind/pnpbind.h"

namespace rs {
namespace {

// The name of the INF the reader's packages were copied from, as the
// system records it for each copy.
constexpr char kReaderInfName[] = "orvex.inf";

void CALLBACK LogRemoval(void*, BOOL ok, DWORD error, LPCSTR what) { runlog::Step(ok != FALSE, error, "%s", what); }

}  // namespace

bool RemoveReaderDriverFromSystem() {
    // Looked up, not imported: setup.exe's imports stay those of a run that
    // only installs. The library is loaded already, by its ordinal 1.
    HMODULE library = GetModuleHandleA("pnpbind.dll");
    auto remove = library == nullptr ? nullptr
                                     : reinterpret_cast<decltype(&PnpRemoveDriver)>(reinterpret_cast<void*>(
                                           GetProcAddress(library, MAKEINTRESOURCEA(2))));
    if (remove == nullptr) {
        runlog::Step(false, ERROR_PROC_NOT_FOUND, "driver removal: pnpbind.dll has no removal entry");
        return false;
    }
    if (remove(kReaderHardwareId, kReaderInfName, LogRemoval, nullptr)) return true;
    runlog::Line("driver removal: no device node and no driver package of %s", kReaderHardwareId);
    return false;
}

}  // namespace rs
