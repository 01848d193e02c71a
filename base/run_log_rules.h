// The run log's line: local date and time, then one line of text; and how
// a step's result reads and counts. Plain values, host-tested.
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

// What a step's failure means. Do: any failure is one. Make: a file or
// folder already there is what the step would make. Remove: what is not
// there needs no removing. Try: a failure is worth a warning only, the
// run's result stays.
enum class StepKind { Do, Make, Remove, Try };
enum class StepEnd { Ok, AlreadyThere, NotThere, Failed, Warning };

StepEnd EndOfStep(StepKind kind, bool ok, unsigned long error);

// The words after a step's text, as a wsprintf format taking the error:
// ": ok", ": failed, error 5", ": warning, error 0xE000020B" (codes above
// 0xFFFF, the setup API's and COM's, in hexadecimal).
const char* StepEndFormat(StepEnd end, unsigned long error);

// What the system tells about a log file opened (or created) at its name.
struct LogFileFacts {
    bool opened = false;
    bool infoRead = false;          // the open handle's attributes and links were read
    unsigned long attributes = 0;   // FILE_ATTRIBUTE_* of the opened file
    unsigned long links = 0;        // its hard links
    bool folderIsReparse = false;   // a folder on its way is a junction or link
};

// A log is never written through a link, where it would land in any file a
// user chose: a file that is a symbolic link or other reparse point, one
// reached through a junction, one with a second hard link, or a folder.
bool LogFileUsable(const LogFileFacts& facts);

}  // namespace rs
