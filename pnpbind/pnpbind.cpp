#include "pnpbind/pnpbind.h"

#include "base/handles.h"
#include "base/sent_messages.h"
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

    // The helper reports a failure's error code on its standard output.
    // Only the pipe's write end is inheritable, and only as the duplicate the
    // helper gets (Windows 95 lacks SetHandleInformation; this DLL must load there).
    rs::unique_handle readEnd;
    rs::unique_handle writeEnd;
    {
        HANDLE r = nullptr;
        HANDLE w = nullptr;
        if (!CreatePipe(&r, &w, nullptr, 0)) return FALSE;
        readEnd.reset(r);
        rs::unique_handle plainWrite(w);
        HANDLE inheritable = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), plainWrite.get(), GetCurrentProcess(), &inheritable, 0, TRUE,
                             DUPLICATE_SAME_ACCESS))
            return FALSE;
        writeEnd.reset(inheritable);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return FALSE;
    }
    rs::unique_handle process(info.hProcess);
    rs::unique_handle thread(info.hThread);
    writeEnd.reset();  // the helper's end now: reading stops once it has gone

    // No time limit: the driver update may wait on the user (e.g. an unsigned
    // driver warning), just as the direct call would. A crashing helper ends,
    // which ends the wait; the helper turns off the fault dialog for itself.
    // Messages sent to this thread (e.g. by driver set-up windows owned by
    // the caller's window) are still answered, so the two processes cannot
    // deadlock.
    rs::WaitAnsweringSentMessages(process.get());
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) return FALSE;
    auto result = rs::pnpbind::DecodeHelperExit(exitCode);
    if (!result) {
        SetLastError(ERROR_PROCESS_ABORTED);
        return FALSE;
    }
    // Only ever set: a restart asked for by an earlier attempt still holds.
    if (result->restartRequired && restartRequired != nullptr) *restartRequired = TRUE;
    if (result->bound) return TRUE;
    // Its one short line waits in the pipe. Only what is there is read: a
    // program the helper started may still hold the write end open.
    std::string output;
    DWORD waiting = 0;
    if (PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        output.resize(waiting < 4096 ? waiting : 4096);
        DWORD got = 0;
        if (!ReadFile(readEnd.get(), output.data(), static_cast<DWORD>(output.size()), &got, nullptr)) got = 0;
        output.resize(got);
    }
    const DWORD error = rs::pnpbind::ParseHelperError(output).value_or(ERROR_GEN_FAILURE);
    // Closing must not overwrite the code.
    readEnd.reset();
    thread.reset();
    process.reset();
    SetLastError(error);
    return FALSE;
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
