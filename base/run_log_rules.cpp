#include "base/run_log_rules.h"

namespace rs {
namespace {

// A date's or time's field: `digits` digits, then its separator.
char* PutField(char* out, int value, int digits, char after) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out[digits] = after;
    return out + digits + 1;
}

}  // namespace

std::size_t FormatLogLine(const LogTime& t, std::string_view text, char* line) {
    char* out = PutField(line, t.year, 4, '-');
    out = PutField(out, t.month, 2, '-');
    out = PutField(out, t.day, 2, ' ');
    out = PutField(out, t.hour, 2, ':');
    out = PutField(out, t.minute, 2, ':');
    out = PutField(out, t.second, 2, ' ');
    for (char c : text) *out++ = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    while (out[-1] == ' ') --out;
    *out++ = '\r';
    *out++ = '\n';
    return static_cast<std::size_t>(out - line);
}

}  // namespace rs
