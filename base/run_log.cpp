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
    unique_hfile file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
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
