#include "base/run_log_rules.h"

namespace rs {

std::size_t FormatLogLine(const LogTime& t, std::string_view text, char* line) {
    // Each field with its digits, then its separator.
    const int fields[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    static constexpr char kAfter[] = "-- :: ";
    char* out = line;
    for (int f = 0; f < 6; ++f) {
        const int digits = f == 0 ? 4 : 2;
        for (int i = digits - 1, value = fields[f]; i >= 0; --i, value /= 10)
            out[i] = static_cast<char>('0' + value % 10);
        out[digits] = kAfter[f];
        out += digits + 1;
    }
    for (char c : text) *out++ = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    while (out[-1] == ' ') --out;
    *out++ = '\r';
    *out++ = '\n';
    return static_cast<std::size_t>(out - line);
}

StepEnd EndOfStep(StepKind kind, bool ok, unsigned long error) {
    if (ok) return StepEnd::Ok;
    // ERROR_ALREADY_EXISTS, ERROR_FILE_EXISTS; ERROR_FILE_NOT_FOUND.
    if (kind == StepKind::Make && (error == 183 || error == 80)) return StepEnd::AlreadyThere;
    if (kind == StepKind::Remove && error == 2) return StepEnd::NotThere;
    return kind == StepKind::Try ? StepEnd::Warning : StepEnd::Failed;
}

const char* StepEndFormat(StepEnd end, unsigned long error) {
    const bool hex = error > 0xFFFF;
    switch (end) {
        case StepEnd::Ok: return ": ok";
        case StepEnd::AlreadyThere: return ": already there";
        case StepEnd::NotThere: return ": not there";
        case StepEnd::Warning: return hex ? ": warning, error 0x%08lX" : ": warning, error %lu";
        default: return hex ? ": failed, error 0x%08lX" : ": failed, error %lu";
    }
}

bool LogFileUsable(const LogFileFacts& f) {
    constexpr unsigned long kFolder = 0x10, kReparsePoint = 0x400;  // FILE_ATTRIBUTE_*
    return f.opened && f.infoRead && f.links == 1 && !(f.attributes & (kFolder | kReparsePoint)) &&
           !f.folderIsReparse;
}

}  // namespace rs
