#include "pnpbind/pnpbind.h"

#include "base/handles.h"
#include "base/sent_messages.h"
#include "pnpbind/newdev_call.h"
#include "pnpbind/pnpbind_rules.h"
#include "pnpbind/removal.h"
#include "pnpbind/removal_rules.h"

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

// The helper beside this library, by its full path; empty when this
// library's own path cannot be read.
std::string HelperPath() {
    std::string modulePath = OwnModulePath();
    if (modulePath.empty()) return {};
    return FullPath(rs::pnpbind::HelperPathBeside(modulePath).c_str());
}

// Starts the helper with its standard output on a new pipe, whose read end
// comes back with the process. Only the pipe's write end is inheritable, and
// only as the duplicate the helper gets (Windows 95 lacks
// SetHandleInformation; this DLL must load there).
bool StartHelper(const std::string& helper, std::string commandLine, rs::unique_handle& process,
                 rs::unique_handle& readEnd) {
    rs::unique_handle writeEnd;
    {
        HANDLE r = nullptr;
        HANDLE w = nullptr;
        if (!CreatePipe(&r, &w, nullptr, 0)) return false;
        readEnd.reset(r);
        rs::unique_handle plainWrite(w);
        HANDLE inheritable = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), plainWrite.get(), GetCurrentProcess(), &inheritable, 0, TRUE,
                             DUPLICATE_SAME_ACCESS))
            return false;
        writeEnd.reset(inheritable);
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(helper.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info)) {
        return false;
    }
    process.reset(info.hProcess);
    rs::unique_handle thread(info.hThread);
    return true;  // the write end is closed here: the helper's alone now
}

// Appends what waits in the pipe, never waiting for more: a program the
// helper started may still hold the write end open.
void ReadWaiting(HANDLE readEnd, std::string& output) {
    DWORD waiting = 0;
    while (output.size() < 65536 && PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        char chunk[1024];
        DWORD got = 0;
        const DWORD want = waiting < sizeof chunk ? waiting : sizeof chunk;
        if (!ReadFile(readEnd, chunk, want, &got, nullptr) || got == 0) return;
        output.append(chunk, got);
    }
}

// The platform refuses the driver update from a 32-bit process on 64-bit
// Windows, so there the 64-bit helper beside this library makes the call.
// Missing, failing to start or crashing all read as "not bound": the caller
// then asks the user to re-plug the reader and may cancel.
BOOL BindThroughHelper(HWND parent, LPCSTR hardwareId, const std::string& fullInf, DWORD flags, PBOOL restartRequired) {
    std::string helper = HelperPath();
    if (helper.empty()) return FALSE;

    rs::pnpbind::BindRequest request;
    request.parent = reinterpret_cast<std::uintptr_t>(parent);
    request.hardwareId = hardwareId;
    request.infPath = fullInf;
    request.flags = flags;
    request.wantsRestartFlag = restartRequired != nullptr;

    // The helper reports a failure's error code on its standard output.
    rs::unique_handle process;
    rs::unique_handle readEnd;
    if (!StartHelper(helper, rs::pnpbind::BuildHelperCommandLine(helper, request), process, readEnd)) return FALSE;

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
    // Its one short line waits in the pipe.
    std::string output;
    ReadWaiting(readEnd.get(), output);
    const DWORD error = rs::pnpbind::ParseHelperError(output).value_or(ERROR_GEN_FAILURE);
    // Closing must not overwrite the code.
    readEnd.reset();
    process.reset();
    SetLastError(error);
    return FALSE;
}

// The driver removal, like the binding, is refused to a 32-bit process on
// 64-bit Windows; the helper reports each removal as a line, passed on here
// as it comes, so a long report never fills the pipe.
BOOL RemoveThroughHelper(LPCSTR hardwareId, LPCSTR originalInf, PnpRemovalReportFn report, void* context) {
    const std::string helper = HelperPath();
    rs::unique_handle process;
    rs::unique_handle readEnd;
    std::string output;
    bool answered = false;
    bool found = false;
    DWORD error = ERROR_PROCESS_ABORTED;
    const std::string commandLine = rs::pnpbind::BuildRemovalCommandLine(helper, {hardwareId, originalInf});
    if (helper.empty() || !StartHelper(helper, commandLine, process, readEnd)) {
        error = GetLastError();
    } else {
        // No time limit, as for the direct call; a crashing helper ends too.
        for (;;) {
            const DWORD waited = WaitForSingleObject(process.get(), 100);
            ReadWaiting(readEnd.get(), output);
            const std::size_t done = output.rfind('\n') + 1;  // complete lines only
            for (const auto& r : rs::pnpbind::ParseRemovalReports(std::string_view(output).substr(0, done))) {
                found = true;
                if (report != nullptr) report(context, r.ok ? TRUE : FALSE, r.error, r.what.c_str());
            }
            output.erase(0, done);
            if (waited != WAIT_TIMEOUT) break;
        }
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.get(), &exitCode)) {
            const auto decoded = rs::pnpbind::DecodeRemovalExit(exitCode);
            answered = decoded.has_value();
            found = found || decoded.value_or(false);
        }
    }
    if (!answered && report != nullptr)
        report(context, FALSE, error, ("driver removal through \"" + helper + "\": no answer").c_str());
    return found ? TRUE : FALSE;
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

extern "C" BOOL WINAPI PnpRemoveDriver(LPCSTR hardwareId, LPCSTR originalInf, PnpRemovalReportFn report,
                                       void* context) {
    if (hardwareId == nullptr || originalInf == nullptr) return FALSE;
    if (RunsUnderWow64()) return RemoveThroughHelper(hardwareId, originalInf, report, context);
    return rs::pnpbind::RemoveDriverHere(hardwareId, originalInf, report, context) ? TRUE : FALSE;
}
