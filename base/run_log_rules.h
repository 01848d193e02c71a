// The run log's line: local date and time, then one line of text. Plain
// values, host-tested.
#pragma once
#include <string>
#include <string_view>

namespace rs {

struct LogTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "2026-12-08 11:33:18 text\r\n" into `line`, which holds the text's
// length and 22 characters more; the line's length. A text never spans
// lines: its line breaks and other control characters become blanks, and
// trailing blanks go (a system message ends with a line break of its own).
std::size_t FormatLogLine(const LogTime& time, std::string_view text, char* line);

}  // namespace rs
