// The hand-over between the 32-bit binding library and its 64-bit helper:
// the helper's command line, the meaning of its exit code, and where the
// helper lives. Plain values only, so the host tests cover it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rs::pnpbind {

// The library's file name: setup.exe imports it from beside itself.
inline constexpr std::string_view kLibraryName = "pnpbind.dll";

// The helper's file name; it ships beside pnpbind.dll.
inline constexpr std::string_view kHelperName = "pnpbind64.exe";

// One binding request, as the library's caller gave it (the INF path already
// made absolute).
struct BindRequest {
    std::uint64_t parent = 0;  // window handle value; null on every call today
    std::string hardwareId;
    std::string infPath;
    std::uint32_t flags = 0;
    bool wantsRestartFlag = true;  // the caller passed a restart flag to fill
};

struct BindResult {
    bool bound = false;
    bool restartRequired = false;
};

// The path of the helper beside a module whose full path is given.
std::string HelperPathBeside(std::string_view modulePath);

// One argument quoted so that the usual Windows command-line splitting gives
// it back unchanged (spaces, quotes and trailing backslashes included).
std::string QuoteArgument(std::string_view arg);

// Splits a command line the way the Microsoft C runtime does: the program
// name first (quoted or up to the first blank, no escapes), then arguments
// with the backslash-quote rules.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The full command line that starts the helper for a request.
std::string BuildHelperCommandLine(std::string_view helperPath, const BindRequest& request);

// The request back from the split command line (program name first);
// nothing when the arguments are not exactly what BuildHelperCommandLine
// writes.
std::optional<BindRequest> ParseHelperArguments(const std::vector<std::string>& args);

// The helper's exit code carries the result under a tag of its own, so that
// a crash status or any stranger's exit code never reads as "bound".
std::uint32_t EncodeHelperExit(const BindResult& result);
std::optional<BindResult> DecodeHelperExit(std::uint32_t exitCode);

// A failed binding's own error code travels on the helper's standard
// output, as one line "error=<decimal>"; the exit code has no room for it.
std::string FormatHelperError(std::uint32_t error);
// The code from what the helper wrote; nothing when no such line is there.
std::optional<std::uint32_t> ParseHelperError(std::string_view output);

// The helper's own exit code when it was started with arguments it cannot
// read; it carries no tag and so decodes to nothing.
inline constexpr std::uint32_t kHelperBadArguments = 87;

}  // namespace rs::pnpbind
