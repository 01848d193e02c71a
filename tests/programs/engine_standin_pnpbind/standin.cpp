// Stand-in for the binding library. Configuration and record live under
// HKCU\Software\ReaderSetupTests\EngineStandinPnpbind:
//   FailuresLeft (DWORD)  calls still to fail; decremented by each failure
//   SetRestart   (DWORD)  nonzero: set the caller's restart flag
//   CallCount    (DWORD)  calls so far
//   Call<n>      (SZ)     "<parent>|<hardware id>|<inf path>|<flags>|<restart flag on entry>"
// Without configuration every call succeeds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "pnpbind/pnpbind.h"

namespace {

const char kKey[] = "Software\\ReaderSetupTests\\EngineStandinPnpbind";

DWORD ReadNumber(HKEY key, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) return 0;
    return type == REG_DWORD ? value : 0;
}

void WriteNumber(HKEY key, const char* name, DWORD value) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kKey, &key) != ERROR_SUCCESS) return TRUE;
    DWORD calls = ReadNumber(key, "CallCount") + 1;
    WriteNumber(key, "CallCount", calls);
    char head[64];
    std::snprintf(head, sizeof head, "%p|", static_cast<void*>(parent));
    std::string record = head;
    record += hardwareId ? hardwareId : "(null)";
    record += '|';
    record += infPath ? infPath : "(null)";
    char tail[48];
    std::snprintf(tail, sizeof tail, "|%lu|%d", static_cast<unsigned long>(flags),
                  restartRequired ? static_cast<int>(*restartRequired) : -1);
    record += tail;
    char name[32];
    std::snprintf(name, sizeof name, "Call%lu", static_cast<unsigned long>(calls));
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(record.c_str()),
                   static_cast<DWORD>(record.size() + 1));
    if (ReadNumber(key, "SetRestart") && restartRequired) *restartRequired = TRUE;
    DWORD failuresLeft = ReadNumber(key, "FailuresLeft");
    if (failuresLeft) WriteNumber(key, "FailuresLeft", failuresLeft - 1);
    RegCloseKey(key);
    return failuresLeft ? FALSE : TRUE;
}

// The removal entry: nothing of the reader's is ever found here.
extern "C" BOOL WINAPI PnpRemoveDriver(LPCSTR, LPCSTR, PnpRemovalReportFn, void*) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
