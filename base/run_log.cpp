#include "base/run_log.h"

#include <windows.h>

#include <cstdarg>

#include "base/handles.h"
#include "base/run_log_rules.h"

namespace rs::runlog {
namespace {

unsigned long failures = 0;

// Lives until the process ends, also through std::exit.
unique_hfile& File() {
    static unique_hfile file;
    return file;
}

// A line of a format and its arguments, then its result's words. Each part
// is at most 1024 characters (wvsprintf's limit), and the buffer holds both.
void Write(DWORD callersError, const char* format, va_list args, const char* resultFormat, unsigned long error) {
    char text[2 * 1025];
    const int length = wvsprintfA(text, format, args);
    const int all = length + wsprintfA(text + length, resultFormat, error);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char line[sizeof text + 22];
    const DWORD size = static_cast<DWORD>(FormatLogLine(
        {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond}, {text, static_cast<std::size_t>(all)}, line));
    // Appended at the end every time: an earlier run's lines stay.
    DWORD written = 0;
    if (SetFilePointer(File().get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(File().get(), line, size, &written, nullptr);
    SetLastError(callersError);
}

}  // namespace

bool Open(const char* path) {
    char full[MAX_PATH];
    char* name = nullptr;
    const DWORD n = GetFullPathNameA(path, MAX_PATH, full, &name);
    if (n < 3 || n >= MAX_PATH) return false;
    LogFileFacts facts;
    // The folders on the way (after the drive's root), made where missing
    // and looked at before anything is made or opened through them.
    for (char* c = full + 3; *c && !facts.folderIsReparse; ++c) {
        if (*c != '\\') continue;
        *c = '\0';
        const DWORD attributes = GetFileAttributesA(full);
        if (attributes == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(full, nullptr);
        else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) facts.folderIsReparse = true;
        *c = '\\';
    }
    // A link at the name is opened as itself (from Windows 2000 on: older
    // systems have no reparse points and may not take the flag), then judged
    // by the opened handle: nothing can be swapped in between.
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH |
                        (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5
                             ? FILE_FLAG_OPEN_REPARSE_POINT
                             : 0);
    unique_hfile file;
    if (!facts.folderIsReparse)
        file.reset(CreateFileA(full, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, flags, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    facts.opened = static_cast<bool>(file);
    facts.infoRead = file && GetFileInformationByHandle(file.get(), &info);
    facts.attributes = info.dwFileAttributes;
    facts.links = info.nNumberOfLinks;
    if (!LogFileUsable(facts)) return false;
    File() = std::move(file);
    return true;
}

void Line(const char* format, ...) {
    if (!File()) return;
    va_list args;
    va_start(args, format);
    Write(GetLastError(), format, args, "", 0);
    va_end(args);
}

namespace {

void Report(StepKind kind, bool ok, unsigned long error, const char* format, va_list args) {
    const StepEnd end = EndOfStep(kind, ok, error);
    if (end == StepEnd::Failed) ++failures;
    if (File()) Write(GetLastError(), format, args, StepEndFormat(end, error), error);
}

}  // namespace

void Step(bool ok, unsigned long error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Report(StepKind::Do, ok, error, format, args);
    va_end(args);
}

void Warning(bool ok, unsigned long error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Report(StepKind::Try, ok, error, format, args);
    va_end(args);
}

void Result(StepKind kind, bool ok, unsigned long error, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Report(kind, ok, error, format, args);
    va_end(args);
}

unsigned long Failures() { return failures; }
void ForgetFailures() { failures = 0; }

}  // namespace rs::runlog
