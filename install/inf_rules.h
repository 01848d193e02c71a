// How the system reads an INF file: its encoding, its sections of lines
// (keys and comma-separated fields), %strings%, and what it takes from them
// to match a device and find the driver files. No Windows here.
#pragma once
#include <string>
#include <string_view>
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
};

struct File {
    std::string refused;            // why the system would not read it; empty when read
    std::vector<Section> sections;  // sections of one name merged, as the system does

    const Section* Find(std::string_view name) const;  // ignoring case
    // %key% replaced from [Strings] (the undecorated one, every locale's
    // default), %% by %; an unknown key stays as written.
    std::string Resolved(std::string_view text) const;
};

// ANSI, or UTF-16 LE with its byte-order mark (decoded to UTF-8); anything
// else is refused.
File Read(std::string_view bytes);

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
