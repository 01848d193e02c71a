// Stand-in for the platform's newdev.dll, built 32- and 64-bit. Installed in
// a throwaway prefix's system folder (with the native override for newdev)
// it records every driver-update call and answers as the test chooses.
//
// Settings, HKCU\Software\RsTest\NewdevStandIn (read at every call; HKCU is
// one view for 32- and 64-bit programs):
//   Result   DWORD  1 bound (default), 0 not bound, 2 crash inside the call,
//                   3 end the calling process with exit code 0
//   Restart  DWORD  nonzero: set the restart flag (when one was passed)
//   Error    DWORD  last error on "not bound" (default ERROR_NO_SUCH_DEVINST)
//   Log      SZ     file the calls are appended to (default C:\newdev-standin.log)
// One line per call, tab-separated: bits=, image=, dep= (where the loader
// found rsnewdevdep.dll, which this library imports), parent=, hwid=, inf=,
// flags=, restartptr= (1 when a restart flag was passed).
#include <windows.h>
#include <setupapi.h>

#include <string>

#include "base/handles.h"

extern "C" __declspec(dllimport) DWORD WINAPI RsNewdevDepPath(char* buffer, DWORD size);

namespace {

DWORD ReadDword(HKEY key, const char* name, DWORD fallback) {
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (r != ERROR_SUCCESS || type != REG_DWORD) return fallback;
    return value;
}

std::string ReadString(HKEY key, const char* name, const char* fallback) {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    DWORD type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (r != ERROR_SUCCESS || type != REG_SZ || value[0] == '\0') return fallback;
    return value;
}

void AppendLine(const std::string& file, const std::string& line) {
    rs::unique_hfile out(CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return;
    DWORD written = 0;
    WriteFile(out.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI UpdateDriverForPlugAndPlayDevicesA(HWND parent, LPCSTR hardwareId,
                                                                                LPCSTR infPath, DWORD flags,
                                                                                PBOOL restartRequired) {
    rs::unique_hkey key;
    LONG r = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\RsTest\\NewdevStandIn", 0, KEY_QUERY_VALUE, key.put());
    HKEY settings = r == ERROR_SUCCESS ? key.get() : nullptr;
    DWORD result = settings ? ReadDword(settings, "Result", 1) : 1;
    DWORD restart = settings ? ReadDword(settings, "Restart", 0) : 0;
    DWORD error = settings ? ReadDword(settings, "Error", ERROR_NO_SUCH_DEVINST) : ERROR_NO_SUCH_DEVINST;
    std::string log = settings ? ReadString(settings, "Log", "C:\\newdev-standin.log") : "C:\\newdev-standin.log";

    char image[MAX_PATH] = {};
    DWORD got = GetModuleFileNameA(nullptr, image, MAX_PATH - 1);
    if (got == 0) image[0] = '\0';
    std::string line = "bits=" + std::to_string(sizeof(void*) * 8);
    line.append("\timage=").append(image);
    char dep[MAX_PATH] = {};
    if (RsNewdevDepPath(dep, MAX_PATH - 1) == 0) dep[0] = '\0';
    line.append("\tdep=").append(dep);
    line.append("\tparent=").append(std::to_string(reinterpret_cast<UINT_PTR>(parent)));
    line.append("\thwid=").append(hardwareId ? hardwareId : "(null)");
    line.append("\tinf=").append(infPath ? infPath : "(null)");
    line.append("\tflags=").append(std::to_string(flags));
    line.append("\trestartptr=").append(restartRequired ? "1" : "0");
    line.append("\r\n");
    AppendLine(log, line);

    if (result == 2) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    if (result == 3) ExitProcess(0);
    if (restart != 0 && restartRequired != nullptr) *restartRequired = TRUE;
    if (result == 0) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}
