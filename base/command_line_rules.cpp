#include "base/command_line_rules.h"

namespace rs {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

// Works on bytes: in a double-byte code page a trail byte may equal '\',
// and both ends here treat it alike, so the text comes back unchanged.
std::string QuoteArgument(std::string_view arg) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    // Backslashes before the closing quote are doubled so it stays a quote.
    out.append(backslashes * 2, '\\');
    out.push_back('"');
    return out;
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    // Program name: no escapes, a quote only toggles.
    std::string program;
    if (i < line.size() && line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"') program.push_back(line[i++]);
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && !IsBlank(line[i])) program.push_back(line[i++]);
    }
    args.push_back(program);

    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg.push_back('"');
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    // "" inside quotes is a literal quote (current C runtime).
                    arg.push_back('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.append(backslashes, '\\');
                if (i < line.size() && (quoted || !IsBlank(line[i]))) arg.push_back(line[i++]);
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

}  // namespace rs
