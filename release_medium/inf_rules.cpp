#include "release_medium/inf_rules.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

namespace rs::inf {
namespace {

constexpr const char* kReadAs = "; the system reads an INF only as ANSI or as UTF-16 LE with its byte-order mark";

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    return lower;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameName(text.substr(0, prefix.size()), prefix);
}

// The text, or why the system would not read it.
std::string Decode(std::string_view bytes, int codePage, std::string& refused) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") refused = std::string("saved as UTF-8 with a byte-order mark") + kReadAs;
    else if (bytes.substr(0, 2) == "\xFE\xFF") refused = std::string("saved as UTF-16 big-endian") + kReadAs;
    if (!refused.empty()) return {};
    if (bytes.substr(0, 2) != "\xFF\xFE") {
        std::string text = DecodeAnsi(bytes, codePage, refused);
        if (!refused.empty()) refused += kReadAs;
        return text;
    }
    if (bytes.size() % 2 != 0) {
        refused = "UTF-16 with an odd number of bytes: cut off";
        return {};
    }
    const auto unitAt = [bytes](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    std::string text;
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        std::uint32_t unit = unitAt(i);  // a Ctrl-Z, which ends the file, kept
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        AppendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return text;
}

// One line being read: its fields, each trimmed of blanks outside quotes.
class LineReader {
public:
    // Characters of one kind: blanks outside quotes, or text.
    void Add(std::string_view run, bool quoted) {
        const bool blank = !quoted && (run[0] == ' ' || run[0] == '\t');
        if (blank) {
            if (started_) pending_ += run;
            return;
        }
        if (started_) field_ += pending_;
        pending_.clear();
        field_ += run;
        started_ = true;
        endsInBackslash_ = !quoted && run.back() == '\\';
    }
    void Quote() {
        if (started_) field_ += pending_;
        pending_.clear();
        started_ = true;
        endsInBackslash_ = false;
    }
    void Comma() {
        fields_.push_back(field_);
        field_.clear();
        pending_.clear();
        started_ = false;
        endsInBackslash_ = false;
    }
    void Equals() {
        if (hasKey_) return Add("=", false);
        Comma();
        for (std::size_t i = 0; i < fields_.size(); ++i) key_ += (i ? "," : "") + fields_[i];
        fields_.clear();
        hasKey_ = true;
    }
    // A '\' last on a line joins the next line to it.
    bool Continues() {
        if (!endsInBackslash_) return false;
        field_.pop_back();
        endsInBackslash_ = false;
        pending_.clear();
        started_ = !field_.empty();
        return true;
    }
    bool Take(Line& line) {
        Comma();
        const bool empty = !hasKey_ && fields_.size() == 1 && fields_[0].empty();
        line.key = key_;
        line.fields = std::move(fields_);
        *this = LineReader();
        return !empty;
    }

private:
    std::vector<std::string> fields_;
    std::string key_, field_, pending_;
    bool hasKey_ = false, started_ = false, endsInBackslash_ = false;
};

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// The name in a header line "[name]" whose '[' is at `open`.
std::string HeaderName(std::string_view physical, std::size_t open) {
    const std::size_t close = physical.find(']', open);
    return Trimmed(physical.substr(open + 1, close == std::string_view::npos ? close : close - open - 1));
}

// Lines from `firstLine` on; a header that a line ending in '\' joins to
// itself goes to file.hidden.
void ReadSections(std::string_view text, File& file, int firstLine) {
    Section* current = nullptr;
    LineReader reader;
    int number = firstLine - 1, first = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view physical = text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
        const bool continuing = first != 0;
        if (!continuing) first = number;
        const std::size_t open = physical.find_first_not_of(" \t");
        const bool header = open != std::string_view::npos && physical[open] == '[';
        if (header && continuing)
            file.hidden.try_emplace(Lowered(HeaderName(physical, open)), HiddenHeader{number, number - 1, false});
        if (header && !continuing) {
            const std::string name = HeaderName(physical, open);
            const auto [slot, added] = file.index.try_emplace(Lowered(name), file.sections.size());
            if (added) file.sections.push_back(Section{name, number, {}, {}});
            current = &file.sections[slot->second];
            first = 0;
            continue;
        }
        bool quoted = false;
        for (std::size_t i = 0; i < physical.size(); ++i) {
            const char c = physical[i];
            // A run of characters with no syntax in it, taken at once.
            const std::size_t run = std::min(physical.find_first_of(quoted ? "\"" : " \t\";,=", i), physical.size());
            if (c == '"' && quoted && i + 1 < physical.size() && physical[i + 1] == '"') {
                reader.Add("\"", true);  // "" within quotes: one quote
                ++i;
            } else if (c == '"') {
                reader.Quote();
                quoted = !quoted;
            } else if (run > i) {
                reader.Add(physical.substr(i, run - i), quoted);
                i = run - 1;
            } else if (c == ';') {
                break;
            } else if (c == ',') {
                reader.Comma();
            } else if (c == '=') {
                reader.Equals();
            } else {
                reader.Add(physical.substr(i, 1), false);  // a blank
            }
        }
        if (reader.Continues() && at < text.size()) continue;
        Line line{first, {}, {}};
        if (reader.Take(line) && current) current->lines.push_back(std::move(line));
        first = 0;
    }
}

std::string Field(const Line& line, std::size_t index) {
    return index < line.fields.size() ? line.fields[index] : std::string();
}

// The [SourceDisksNames*] sections' lines by disk ID, each section indexed
// once: the first line whose resolved key is the ID, ignoring case.
class Disks {
public:
    explicit Disks(const File& file) : file_(file) {}
    const Line* Find(const Section* section, const std::string& disk) {
        if (!section) return nullptr;
        const auto [lines, added] = bySection_.try_emplace(section);
        if (added)
            for (const Line& line : section->lines) lines->second.try_emplace(Lowered(file_.Resolved(line.key)), &line);
        const auto found = lines->second.find(Lowered(disk));
        return found == lines->second.end() ? nullptr : found->second;
    }

private:
    const File& file_;
    std::unordered_map<const Section*, std::unordered_map<std::string, const Line*>> bySection_;
};

// The last line of a [Strings*] section with this key.
const Line* KeyLine(const Section& strings, std::string_view key) {
    const Line* line = nullptr;
    if (!strings.keys.empty()) {
        const auto found = strings.keys.find(Lowered(key));
        if (found != strings.keys.end()) line = &strings.lines[found->second];
    } else {
        for (const Line& candidate : strings.lines)
            if (SameName(candidate.key, key)) line = &candidate;
    }
    return line;
}

bool IsDecorationOf(std::string_view name, std::string_view base) {
    return SameName(name, base) || (name.size() > base.size() && StartsWith(name, base) && name[base.size()] == '.');
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

const Section* File::Find(std::string_view name) const {
    if (!index.empty()) {
        const auto found = index.find(Lowered(name));
        return found == index.end() ? nullptr : &sections[found->second];
    }
    for (const Section& section : sections)
        if (SameName(section.name, name)) return &section;
    return nullptr;
}

const Section* File::Strings() const {
    if (stringsFor_ != locale) {
        stringsFor_ = locale;
        // A language ID is four hexadecimal digits; its low ten bits are the
        // primary language.
        const auto languageId = [](std::string_view hex) {
            int id = hex.size() == 4 ? 0 : -1;
            for (std::size_t i = 0; id >= 0 && i < hex.size(); ++i) {
                const char c = Lower(hex[i]);
                const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                id = digit < 0 ? -1 : id * 16 + digit;
            }
            return id;
        };
        const int own = languageId(locale), primary = own & 0x3FF;
        int best = 4;  // 0 the language itself, 1 its neutral form, 2 its primary language, 3 [Strings]
        stringsAt_ = sections.size();
        for (std::size_t i = 0; i < sections.size(); ++i) {
            const std::string_view name = sections[i].name;
            int rank = 4;
            if (SameName(name, "Strings")) {
                rank = 3;
            } else if (own >= 0 && StartsWith(name, "Strings.")) {
                const int id = languageId(name.substr(8));
                rank = id < 0 ? 4 : id == own ? 0 : id == primary ? 1 : (id & 0x3FF) == primary ? 2 : 4;
            }
            if (rank < best) {
                best = rank;
                stringsAt_ = i;
            }
        }
    }
    return stringsAt_ < sections.size() ? &sections[stringsAt_] : nullptr;
}

std::string File::Resolved(std::string_view text) const {
    if (text.find('%') == std::string_view::npos) return std::string(text);
    std::string out;
    const Section* strings = Strings();
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('%', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        out += text.substr(at, open - at);
        const std::string_view key = text.substr(open + 1, close - open - 1);
        const Line* line = strings && !key.empty() ? KeyLine(*strings, key) : nullptr;
        if (key.empty()) {
            out += '%';
        } else if (!line) {
            out += text.substr(open, close - open + 1);
        } else {
            for (std::size_t i = 0; i < line->fields.size(); ++i) out += (i ? "," : "") + line->fields[i];
        }
        at = close + 1;
    }
    return out + std::string(text.substr(std::min(at, text.size())));
}

File Read(std::string_view bytes, const Reader& reader) {
    File file;
    file.locale = reader.locale;
    const std::string text = Decode(bytes, reader.codePage, file.refused);
    if (!file.refused.empty()) return file;
    // The system reads up to the first Ctrl-Z; the headers after it are hidden.
    const std::size_t stop = std::min(text.find('\x1A'), text.size());
    ReadSections(std::string_view(text).substr(0, stop), file, 1);
    if (stop < text.size()) {
        const int line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(stop), '\n'));
        File after;
        ReadSections(std::string_view(text).substr(stop + 1), after, line);
        for (const Section& section : after.sections)
            file.hidden.try_emplace(Lowered(section.name), HiddenHeader{section.number, line, true});
    }
    for (Section& section : file.sections)
        if (IsDecorationOf(section.name, "Strings"))
            for (std::size_t i = 0; i < section.lines.size(); ++i) section.keys[Lowered(section.lines[i].key)] = i;
    return file;
}

bool IsKnownSignature(std::string_view signature) {
    for (const char* known : {"$Windows NT$", "$Chicago$", "$Windows 95$"})
        if (SameName(signature, known)) return true;
    return false;
}

std::vector<std::string> PlatformNames(std::string_view name, const VersionFacts& system) {
    const std::string plain(name);
    if (system.platformId != 2) return {plain};
    const char* processor = system.architecture == 9 ? ".NTamd64" : system.architecture == 6 ? ".NTia64" : ".NTx86";
    return {plain + processor, plain + ".NT", plain};
}

std::vector<SourceFile> SourceFiles(const File& file, const VersionFacts& system) {
    std::vector<SourceFile> files;
    if (const Section* version = file.Find("Version")) {
        const Line* catalog = nullptr;
        for (const std::string& name : PlatformNames("CatalogFile", system))
            for (const Line& line : version->lines)
                if (!catalog && SameName(file.Resolved(line.key), name) && !Field(line, 0).empty()) catalog = &line;
        if (catalog) files.push_back({catalog->number, file.Resolved(Field(*catalog, 0)), catalog->key, "", ""});
    }
    // file=disk-id[,subfolder[,size]], and the disk's path: the sections of
    // the system's processor first. Their extensions are not .NTx86 and the
    // like: a [SourceDisksFiles.ntx86] is read by none.
    const std::string processor = system.architecture == 9 ? ".amd64" : system.architecture == 6 ? ".ia64" : ".x86";
    const Section* sections[] = {file.Find("SourceDisksFiles" + processor), file.Find("SourceDisksFiles")};
    const Section* names[] = {file.Find("SourceDisksNames" + processor), file.Find("SourceDisksNames")};
    Disks disks(file);
    std::unordered_set<std::string> listed;  // lower-case file names the processor's section lists
    for (const Section* section : sections) {
        if (!section) continue;
        for (const Line& line : section->lines) {
            SourceFile source{line.number, file.Resolved(line.key.empty() ? Field(line, 0) : line.key),
                              "[" + section->name + "]", "", ""};
            const std::string key = Lowered(source.name);
            if (section == sections[0]) listed.insert(key);
            else if (listed.count(key)) continue;  // the processor's entry stands for it
            const std::string disk = file.Resolved(Field(line, 0));
            const Line* diskLine = disks.Find(names[0], disk);
            if (!diskLine) diskLine = disks.Find(names[1], disk);
            if (line.key.empty() || disk.empty())
                source.problem = "gives no disk (file=disk-id[,subfolder])";
            else if (!diskLine)
                source.problem = "names disk " + disk + ", which neither [SourceDisksNames" + processor +
                                 "] nor [SourceDisksNames] lists";
            else
                source.folder = file.Resolved(Field(*diskLine, 3)) + "\\" + file.Resolved(Field(line, 1));
            files.push_back(std::move(source));
        }
    }
    return files;
}

}  // namespace rs::inf
