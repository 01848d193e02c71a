#include "pnpbind/pnpbind_rules.h"

#include <charconv>

namespace rs::pnpbind {
namespace {

constexpr std::uint32_t kResultTag = 0x50420000u;  // "PB"
constexpr std::uint32_t kTagMask = 0xFFFFFFFCu;
constexpr std::string_view kVerb = "bind";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

template <typename T>
std::optional<T> ParseDecimal(const std::string& text) {
    if (text.empty()) return std::nullopt;
    T value = 0;
    auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (err != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::string HelperPathBeside(std::string_view modulePath) {
    auto slash = modulePath.find_last_of("\\/");
    std::string folder = slash == std::string_view::npos ? std::string() : std::string(modulePath.substr(0, slash + 1));
    return folder + std::string(kHelperName);
}

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

std::string BuildHelperCommandLine(std::string_view helperPath, const BindRequest& request) {
    // A file path holds no quote, so the program name needs no escapes.
    std::string line = "\"";
    line.append(helperPath).append("\" ").append(kVerb);
    line.append(" ").append(std::to_string(request.parent));
    line.append(" ").append(std::to_string(request.flags));
    line.append(request.wantsRestartFlag ? " 1" : " 0");
    line.append(" ").append(QuoteArgument(request.hardwareId));
    line.append(" ").append(QuoteArgument(request.infPath));
    return line;
}

std::optional<BindRequest> ParseHelperArguments(const std::vector<std::string>& args) {
    if (args.size() != 7 || args[1] != kVerb) return std::nullopt;
    auto parent = ParseDecimal<std::uint64_t>(args[2]);
    auto flags = ParseDecimal<std::uint32_t>(args[3]);
    if (!parent || !flags || (args[4] != "0" && args[4] != "1")) return std::nullopt;
    BindRequest request;
    request.parent = *parent;
    request.flags = *flags;
    request.wantsRestartFlag = args[4] == "1";
    request.hardwareId = args[5];
    request.infPath = args[6];
    return request;
}

std::uint32_t EncodeHelperExit(const BindResult& result) {
    return kResultTag | (result.bound ? 1u : 0u) | (result.restartRequired ? 2u : 0u);
}

std::optional<BindResult> DecodeHelperExit(std::uint32_t exitCode) {
    if ((exitCode & kTagMask) != kResultTag) return std::nullopt;
    return BindResult{(exitCode & 1u) != 0, (exitCode & 2u) != 0};
}

std::string FormatHelperError(std::uint32_t error) { return "error=" + std::to_string(error) + "\r\n"; }

std::optional<std::uint32_t> ParseHelperError(std::string_view output) {
    constexpr std::string_view kKey = "error=";
    const auto at = output.find(kKey);
    if (at == std::string_view::npos) return std::nullopt;
    const auto digits = output.substr(at + kKey.size());
    const auto end = digits.find_first_not_of("0123456789");
    return ParseDecimal<std::uint32_t>(std::string(digits.substr(0, end)));
}

}  // namespace rs::pnpbind
