// An ANSI INF as the systems of the program's three display languages read
// it: the whole file through the system's ANSI code page; the system reads
// the text up to the first Ctrl-Z. Only the structure of the code pages is needed here,
// so that no byte of a double-byte character is taken for INF syntax; the
// characters themselves are kept as private-use code points.
#include <algorithm>
#include <cstdint>

#include "release_medium/inf_rules.h"

namespace rs::inf {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;
// A double-byte character (or a single byte beyond ASCII that the code page
// does not map here) as U+F0000 plus its bytes: never a syntax character,
// and two different characters never compare equal.
constexpr std::uint32_t kKeptBytes = 0xF0000;

// Code page 1252 from 0x80 to 0x9F; from 0xA0 on it is Latin-1. The five
// unassigned bytes map to the control characters of the same value.
constexpr std::uint16_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsPlain(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b != 0 && b != 0x1A && b < 0x80;
}

bool IsLeadByte(int codePage, unsigned char b) { return codePage != 1252 && b >= 0x81 && b <= 0xFE; }

bool IsTrailByte(int codePage, unsigned char b) {
    if (codePage == 950) return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);  // 949
}

// Whether the NUL bytes fall on every other byte, as in UTF-16 text of
// mostly ASCII characters: judged on the first 256 bytes.
bool LooksLikeUtf16(std::string_view bytes) {
    const std::size_t pairs = std::min<std::size_t>(bytes.size(), 256) / 2;
    std::size_t low = 0, high = 0;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool first = bytes[2 * i] == '\0', second = bytes[2 * i + 1] == '\0';
        low += !first && second;
        high += first && !second;
    }
    return pairs >= 2 && (low * 4 >= pairs * 3 || high * 4 >= pairs * 3);
}

}  // namespace

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string DecodeAnsi(std::string_view bytes, int codePage, std::string& refused) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    bool ended = false;  // past the Ctrl-Z that ends the file for the system
    while (i < bytes.size()) {
        std::size_t plain = i;  // ASCII other than NUL and Ctrl-Z: as it is
        while (plain < bytes.size() && IsPlain(bytes[plain])) ++plain;
        text.append(bytes.substr(i, plain - i));
        i = plain;
        if (i == bytes.size()) break;
        const auto b = static_cast<unsigned char>(bytes[i++]);
        if (b == 0x1A || (b == 0 && ended)) {
            AppendUtf8(text, b ? b : kReplacement);
            ended = true;
        } else if (b == 0) {
            refused = LooksLikeUtf16(bytes)
                          ? "holds NUL bytes, as UTF-16 without a byte-order mark does"
                          : "holds a NUL byte at offset " + std::to_string(i - 1) + ", which ANSI text does not hold";
            return {};
        } else if (codePage == 1252) {
            AppendUtf8(text, b < 0xA0 ? kWestern80[b - 0x80] : b);
        } else if (!IsLeadByte(codePage, b)) {
            AppendUtf8(text, kKeptBytes + b);
        } else if (i < bytes.size() && bytes[i] != '\0') {
            // The byte after a lead byte is its trail, whatever it is; a
            // pair the code page does not define reads as one unknown character.
            const auto trail = static_cast<unsigned char>(bytes[i++]);
            AppendUtf8(text, IsTrailByte(codePage, trail) ? kKeptBytes + (b << 8 | trail) : kReplacement);
        } else {
            AppendUtf8(text, kReplacement);  // a lead byte before a NUL or last in the file
        }
    }
    return text;
}

bool SameInEveryCodePage(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return true;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string ReaderName(const Reader& reader) {
    return std::string(reader.system) + " (code page " + std::to_string(reader.codePage) + ")";
}

}  // namespace rs::inf
