// How the system reads an INF file: its encoding, its sections of lines
// (keys and comma-separated fields), %strings%, and what it takes from them
// to match a device and find the driver files. No Windows here.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/platform_rules.h"

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
// INF: an ANSI one through their ANSI code page, and %strings% from the
// Strings section their language ID selects (File::Strings). The pages do
// not say whether Windows 95, 98 and Me select it so: one rule for all.
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

// A section header the system does not see: after the Ctrl-Z that ends the
// file, or joined as a continuation to a line that ends in '\'.
struct HiddenHeader {
    int line = 0;        // the header's own line
    int cause = 0;       // the line of the Ctrl-Z, or the line that ends in '\'
    bool ctrlZ = false;
};

struct File {
    std::string refused;            // why the system would not read it; empty when read
    std::vector<Section> sections;  // sections of one name merged, as the system does
    std::string locale;             // the language ID whose Strings section Resolved takes; empty: [Strings]
    // Each section's name in lower case to its index, filled by Read.
    std::unordered_map<std::string, std::size_t> index;
    // Headers the system does not see, by lower-case name; the first of each.
    std::unordered_map<std::string, HiddenHeader> hidden;

    const Section* Find(std::string_view name) const;  // ignoring case
    // The one Strings section that the system of `locale` takes for every
    // %strkey% of the file (the INF Strings section page): [Strings.<its
    // language ID>], else the one of its primary language with the neutral
    // sublanguage ([Strings.0004]), else the first of its primary language
    // ([Strings.0804] for 0404), else [Strings]. Null when there is none.
    const Section* Strings() const;
    // %key% replaced from that section alone, %% by %; a key it lacks stays
    // as written.
    std::string Resolved(std::string_view text) const;

private:
    mutable std::string stringsFor_ = "-";  // the locale stringsAt_ was chosen for
    mutable std::size_t stringsAt_ = 0;     // its index in sections; sections.size(): none
};

// ANSI (read through the reader's code page up to a Ctrl-Z), or UTF-16 LE
// with its byte-order mark; decoded to UTF-8. Anything else is refused.
// Resolved then takes the reader's locale.
File Read(std::string_view bytes, const Reader& reader = kReaders[0]);

// ANSI `bytes` through code page 1252, 950 or 949 as UTF-8; `refused` set
// on a NUL byte before the first Ctrl-Z, which ends an INF and is kept as
// U+001A (what follows it is decoded too, and a NUL there read as U+FFFD).
// A double-byte character is kept as U+F0000 plus its two bytes: its trail
// byte is never syntax, neither a line's continuation nor a folder separator.
std::string DecodeAnsi(std::string_view bytes, int codePage, std::string& refused);
void AppendUtf8(std::string& out, std::uint32_t c);

// Whether every reader's code page reads `bytes` alike (only ASCII, or UTF-16).
bool SameInEveryCodePage(std::string_view bytes);

// Names compare as the system compares them: without regard to letter case.
bool SameName(std::string_view a, std::string_view b);

// "$Windows NT$", "$Chicago$" or "$Windows 95$", in any case.
bool IsKnownSignature(std::string_view signature);

// The names a system tries, in turn, for a section (or [Version] entry)
// that takes platform extensions, such as a DDInstall section: from Windows
// 2000 on NAME.NTx86 (NAME.NTamd64, NAME.NTia64 by processor), NAME.NT,
// NAME (the INF File Platform Extensions pages); Windows 95, 98 and Me,
// which know no platform extensions, NAME alone.
std::vector<std::string> PlatformNames(std::string_view name, const VersionFacts& system);

// A file that the system copies from the medium: a [SourceDisksFiles*] entry
// or a CatalogFile* of [Version].
struct SourceFile {
    int line = 0;
    std::string name;      // as listed
    std::string listedIn;  // "[SourceDisksFiles.x86]", "CatalogFile.NT"
    std::string folder;    // relative to the INF's folder, '\'-separated; may hold ".."
    std::string problem;   // set when the system cannot tell where it lies
};
// The files that a system of this platform and processor takes: each file's
// entry in [SourceDisksFiles.x86] (.amd64, .ia64) before the one in
// [SourceDisksFiles], its disk from [SourceDisksNames.x86] before
// [SourceDisksNames] (the INF SourceDisksFiles and SourceDisksNames
// pages); the CatalogFile entry by PlatformNames.
std::vector<SourceFile> SourceFiles(const File& file, const VersionFacts& system);

}  // namespace rs::inf
