#include "base/run_log.h"

#include <windows.h>

#include <cstdarg>

#include "base/handles.h"
#include "base/run_log_rules.h"

namespace rs::runlog {
namespace {

// Lives until the process ends, also through std::exit.
unique_hfile& File() {
    static unique_hfile file;
    return file;
}

// The line of a format and its arguments (wvsprintf writes at most 1024
// characters and the terminator), then a suffix.
void Write(DWORD callersError, const char* format, va_list args, const char* suffix) {
    char text[1025];
    wvsprintfA(text, format, args);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string line = FormatLogLine({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond},
                                           std::string(text) + suffix);
    // Appended at the end every time: an earlier run's lines stay.
    DWORD written = 0;
    if (SetFilePointer(File().get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(File().get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    SetLastError(callersError);
}

}  // namespace

bool Open(const std::string& path) {
    unique_hfile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) return false;
    File() = std::move(file);
    return true;
}

void Line(const char* format, ...) {
    if (!File()) return;
    va_list args;
    va_start(args, format);
    Write(GetLastError(), format, args, "");
    va_end(args);
}

void Step(bool ok, unsigned long error, const char* format, ...) {
    if (!File()) return;
    const DWORD callersError = GetLastError();
    char result[40] = ": ok";
    if (!ok) wsprintfA(result, ": failed, error %lu", error);
    va_list args;
    va_start(args, format);
    Write(callersError, format, args, result);
    va_end(args);
}

}  // namespace rs::runlog
