#include "base/run_log_rules.h"

namespace rs {
namespace {

// A date's or time's field: `digits` digits, then its separator.
void AppendField(std::string& out, int value, int digits, char after) {
    char field[4];
    for (int i = digits - 1; i >= 0; --i) {
        field[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(field, static_cast<std::size_t>(digits));
    out += after;
}

}  // namespace

std::string FormatLogLine(const LogTime& t, std::string_view text) {
    std::string line;
    AppendField(line, t.year, 4, '-');
    AppendField(line, t.month, 2, '-');
    AppendField(line, t.day, 2, ' ');
    AppendField(line, t.hour, 2, ':');
    AppendField(line, t.minute, 2, ':');
    AppendField(line, t.second, 2, ' ');
    for (char c : text) line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    while (line.back() == ' ') line.pop_back();
    line += "\r\n";
    return line;
}

}  // namespace rs
