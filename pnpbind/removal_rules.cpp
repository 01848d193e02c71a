#include "pnpbind/removal_rules.h"

#include <charconv>

#include "pnpbind/pnpbind_rules.h"

namespace rs::pnpbind {
namespace {

constexpr std::uint32_t kRemovalTag = 0x50520000u;  // "PR"
constexpr std::string_view kVerb = "remove";
constexpr std::string_view kLineKey = "removal ";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameTextNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsOemInfName(std::string_view name) {
    if (name.size() < 8 || !SameTextNoCase(name.substr(0, 3), "oem") ||
        !SameTextNoCase(name.substr(name.size() - 4), ".inf"))
        return false;
    for (char c : name.substr(3, name.size() - 7))
        if (c < '0' || c > '9') return false;
    return true;
}

bool MultiSzHolds(std::string_view list, std::string_view id) {
    while (!list.empty() && list.front() != '\0') {
        const std::size_t end = list.find('\0');
        if (SameTextNoCase(list.substr(0, end), id)) return true;
        if (end == std::string_view::npos) return false;
        list.remove_prefix(end + 1);
    }
    return false;
}

bool InfTextNames(std::string_view bytes, std::string_view id) {
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        // Only ASCII matters here; any other character cannot be part of it.
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(bytes[i + 1] == '\0' ? bytes[i] : '\x7F');
        bytes = text;
    }
    if (id.empty() || bytes.size() < id.size()) return false;
    for (std::size_t at = 0; at + id.size() <= bytes.size(); ++at)
        if (SameTextNoCase(bytes.substr(at, id.size()), id)) return true;
    return false;
}

std::string BuildRemovalCommandLine(std::string_view helperPath, const RemovalRequest& request) {
    std::string line = "\"";
    line.append(helperPath).append("\" ").append(kVerb);
    line.append(" ").append(QuoteArgument(request.hardwareId));
    line.append(" ").append(QuoteArgument(request.originalInf));
    return line;
}

std::optional<RemovalRequest> ParseRemovalArguments(const std::vector<std::string>& args) {
    if (args.size() != 4 || args[1] != kVerb || args[2].empty() || args[3].empty()) return std::nullopt;
    return RemovalRequest{args[2], args[3]};
}

std::string FormatRemovalReport(const RemovalReport& report) {
    std::string line(kLineKey);
    line.append(report.ok ? "1 " : "0 ").append(std::to_string(report.error)).append(" ");
    for (char c : report.what) line.push_back(c == '\r' || c == '\n' ? ' ' : c);
    return line.append("\r\n");
}

std::vector<RemovalReport> ParseRemovalReports(std::string_view output) {
    std::vector<RemovalReport> reports;
    while (!output.empty()) {
        std::size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.substr(0, kLineKey.size()) != kLineKey) continue;
        line.remove_prefix(kLineKey.size());
        if (line.size() < 4 || (line[0] != '0' && line[0] != '1') || line[1] != ' ') continue;
        RemovalReport report;
        report.ok = line[0] == '1';
        const char* digits = line.data() + 2;
        auto [stop, err] = std::from_chars(digits, line.data() + line.size(), report.error, 10);
        if (err != std::errc() || stop == digits || stop == line.data() + line.size() || *stop != ' ') continue;
        report.what.assign(stop + 1, line.data() + line.size());
        reports.push_back(std::move(report));
    }
    return reports;
}

std::uint32_t EncodeRemovalExit(bool found) { return kRemovalTag | (found ? 1u : 0u); }

std::optional<bool> DecodeRemovalExit(std::uint32_t exitCode) {
    if ((exitCode & ~1u) != kRemovalTag) return std::nullopt;
    return (exitCode & 1u) != 0;
}

}  // namespace rs::pnpbind
