// The driver removal's plain decisions: which device nodes and INF files
// are the reader's, and how the 64-bit helper hands its removals back to
// the 32-bit library. Plain values only, so the host tests cover it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rs::pnpbind {

// Texts equal but for the case of ASCII letters, as file names and device
// IDs compare.
bool SameTextNoCase(std::string_view a, std::string_view b);

// "oem<digits>.inf" in any case: the names Windows gives the driver
// packages it copies into its INF folder.
bool IsOemInfName(std::string_view name);

// A registry multi-string (texts ended by NUL, the list by an empty text or
// its end) holds `id`; device IDs compare without regard to case.
bool MultiSzHolds(std::string_view list, std::string_view id);

// An INF file's bytes, ANSI or UTF-16 with its byte-order mark, name the
// ASCII text `id` in any case.
bool InfTextNames(std::string_view bytes, std::string_view id);

struct RemovalRequest {
    std::string hardwareId;
    std::string originalInf;  // file name only, e.g. "orvex.inf"
};

// One removal as the library's caller logs it.
struct RemovalReport {
    bool ok = false;
    std::uint32_t error = 0;
    std::string what;
};

// The helper's command line for a removal, and the request back from its
// split arguments (program name first); nothing for anything else.
std::string BuildRemovalCommandLine(std::string_view helperPath, const RemovalRequest& request);
std::optional<RemovalRequest> ParseRemovalArguments(const std::vector<std::string>& args);

// Each removal travels on the helper's standard output as one line; what
// is not such a line is skipped.
std::string FormatRemovalReport(const RemovalReport& report);
std::vector<RemovalReport> ParseRemovalReports(std::string_view output);

// Whether anything of the reader's was found, in an exit code under a tag
// of its own (a binding's exit code or a crash status reads as nothing).
std::uint32_t EncodeRemovalExit(bool found);
std::optional<bool> DecodeRemovalExit(std::uint32_t exitCode);

}  // namespace rs::pnpbind
