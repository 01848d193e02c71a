#include "pnpbind/pnpbind.h"

#include "base/handles.h"
#include "pnpbind/newdev_call.h"
#include "pnpbind/pnpbind_rules.h"

#include <cstdint>
#include <string>

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

HMODULE g_module = nullptr;

// A relative INF path is taken against the current directory: the platform
// function wants a full path.
std::string FullPath(LPCSTR path) {
    DWORD need = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (need == 0) return path;
    std::string full(need, '\0');
    DWORD got = GetFullPathNameA(path, need, full.data(), nullptr);
    if (got == 0 || got >= need) return path;
    full.resize(got);
    return full;
}

// Looked up at run time: systems before XP SP2 lack IsWow64Process, and
// there the process is never under WOW64.
bool RunsUnderWow64() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return false;
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    if (isWow64 == nullptr) return false;
    BOOL wow64 = FALSE;
    if (!isWow64(GetCurrentProcess(), &wow64)) return false;
    return wow64 != FALSE;
}

std::string OwnModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD got = GetModuleFileNameA(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (got == 0) return {};
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        // Truncated: try again with room to spare.
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

// Waits for the helper without taking input. Messages sent to this thread
// (e.g. by driver set-up windows owned by the caller's window) are still
// delivered, so a parent window cannot deadlock the two processes.
void WaitForHelper(HANDLE process) {
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) return;
        if (r != WAIT_OBJECT_0 + 1) {
            // Cannot watch the queue: a plain wait still never returns early.
            WaitForSingleObject(process, INFINITE);
            return;
        }
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
}

// The platform refuses the driver update from a 32-bit process on 64-bit
// Windows, so there the 64-bit helper beside this library makes the call.
// Missing, failing to start or crashing all read as "not bound": the caller
// then asks the user to re-plug the reader and may cancel.
BOOL BindThroughHelper(HWND parent, LPCSTR hardwareId, const std::string& fullInf, DWORD flags, PBOOL restartRequired) {
    std::string modulePath = OwnModulePath();
    if (modulePath.empty()) return FALSE;
    std::string helper = FullPath(rs::pnpbind::HelperPathBeside(modulePath).c_str());

    rs::pnpbind::BindRequest request;
    request.parent = reinterpret_cast<std::uintptr_t>(parent);
    request.hardwareId = hardwareId;
    request.infPath = fullInf;
    request.flags = flags;
    request.wantsRestartFlag = restartRequired != nullptr;
    std::string commandLine = rs::pnpbind::BuildHelperCommandLine(helper, request);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return FALSE;
    }
    rs::unique_handle process(info.hProcess);
    rs::unique_handle thread(info.hThread);

    // No time limit: the driver update may wait on the user (e.g. an unsigned
    // driver warning), just as the direct call would. A crashing helper ends,
    // which ends the wait; the helper turns off the fault dialog for itself.
    WaitForHelper(process.get());
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) return FALSE;
    auto result = rs::pnpbind::DecodeHelperExit(exitCode);
    if (!result) {
        SetLastError(ERROR_PROCESS_ABORTED);
        return FALSE;
    }
    // Only ever set: a restart asked for by an earlier attempt still holds.
    if (result->restartRequired && restartRequired != nullptr) *restartRequired = TRUE;
    return result->bound ? TRUE : FALSE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" BOOL WINAPI PnpBindDriver(HWND parent, LPCSTR hardwareId, LPCSTR infPath, DWORD flags, PBOOL restartRequired) {
    if (hardwareId == nullptr || infPath == nullptr) return FALSE;
    std::string full = FullPath(infPath);
    if (RunsUnderWow64()) return BindThroughHelper(parent, hardwareId, full, flags, restartRequired);
    return rs::pnpbind::CallUpdateDriver(parent, hardwareId, full.c_str(), flags, restartRequired);
}
