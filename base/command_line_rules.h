// Command lines as the Microsoft C runtime splits and quotes them: setup.exe
// reads its own switches this way, and the binding library hands its
// helper arguments that come back unchanged. Plain values, host-tested.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace rs {

// One argument quoted so that the usual Windows command-line splitting gives
// it back unchanged (spaces, quotes and trailing backslashes included).
std::string QuoteArgument(std::string_view arg);

// Splits a command line the way the Microsoft C runtime does: the program
// name first (quoted or up to the first blank, no escapes), then arguments
// with the backslash-quote rules.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace rs
