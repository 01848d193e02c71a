// How the system reads an INF file: its encoding, its sections of lines
// (keys and comma-separated fields), %strings%, and what it takes from them
// to match a device and find the driver files. No Windows here.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rs::inf {

struct Line {
    int number = 0;                   // 1-based; the first of a continued line
    std::string key;                  // before '=', unquoted; empty without '='
    std::vector<std::string> fields;  // after '=' (or the whole line), unquoted
};

struct Section {
    std::string name;  // as first spelt
    int number = 0;    // the line of its first header
    std::vector<Line> lines;
    // For [Strings*] sections, filled by Read: each key in lower case to
    // the index of its last line.
    std::unordered_map<std::string, std::size_t> keys;
};

// The systems of the program's three display languages, as they read an
// INF: an ANSI one through their ANSI code page, and %strings% from their
// locale's [Strings.<language ID>] before [Strings].
struct Reader {
    int codePage;
    const char* locale;  // the language ID as a [Strings.0404] section spells it
    const char* system;
};
inline constexpr Reader kReaders[] = {
    {1252, "0409", "English Windows"},
    {950, "0404", "Traditional Chinese Windows"},
    {949, "0412", "Korean Windows"},
};
// "Traditional Chinese Windows (code page 950)"
std::string ReaderName(const Reader& reader);

struct File {
    std::string refused;            // why the system would not read it; empty when read
    std::vector<Section> sections;  // sections of one name merged, as the system does
    std::string locale;             // whose [Strings.<locale>] Resolved takes first; empty: [Strings] only
    // Each section's name in lower case to its index, filled by Read.
    std::unordered_map<std::string, std::size_t> index;

    const Section* Find(std::string_view name) const;  // ignoring case
    // %key% replaced from [Strings.<locale>], else from [Strings] (every
    // locale's default), %% by %; an unknown key stays as written.
    std::string Resolved(std::string_view text) const;
    std::string Resolved(std::string_view text, std::string_view locale) const;
};

// ANSI (read through the reader's code page up to a Ctrl-Z), or UTF-16 LE
// with its byte-order mark; decoded to UTF-8. Anything else is refused.
// Resolved then takes the reader's locale.
File Read(std::string_view bytes, const Reader& reader = kReaders[0]);

// ANSI `bytes` through code page 1252, 950 or 949, up to the Ctrl-Z that
// ends an INF, as UTF-8; `refused` set on a NUL byte. A double-byte
// character is kept as U+F0000 plus its two bytes: its trail byte is never
// syntax, neither a line's continuation nor a folder separator.
std::string DecodeAnsi(std::string_view bytes, int codePage, std::string& refused);
void AppendUtf8(std::string& out, std::uint32_t c);

// Whether every reader's code page reads `bytes` alike (only ASCII, or UTF-16).
bool SameInEveryCodePage(std::string_view bytes);

// Names compare as the system compares them: without regard to letter case.
bool SameName(std::string_view a, std::string_view b);

// "$Windows NT$", "$Chicago$" or "$Windows 95$", in any case.
bool IsKnownSignature(std::string_view signature);

// A file that the system copies from the medium: a [SourceDisksFiles*] entry
// or a CatalogFile* of [Version].
struct SourceFile {
    int line = 0;
    std::string name;      // as listed
    std::string listedIn;  // "[SourceDisksFiles.x86]", "CatalogFile.NT"
    std::string folder;    // relative to the INF's folder, '\'-separated; may hold ".."
    std::string problem;   // set when the system cannot tell where it lies
};
std::vector<SourceFile> SourceFiles(const File& file);

}  // namespace rs::inf
