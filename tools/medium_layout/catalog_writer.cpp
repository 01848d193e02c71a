#include "tools/medium_layout/catalog_writer.h"

#include <strings.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <set>

#include "release_medium/catalog_rules.h"
#include "release_medium/inf_rules.h"
#include "release_medium/medium_rules.h"
#include "tools/medium_layout/file_digest.h"

namespace rs::medium {
namespace {

namespace fs = std::filesystem;

// One DER element.
std::string Der(unsigned char tag, const std::string& value) {
    std::string out(1, static_cast<char>(tag)), length;
    for (std::size_t n = value.size(); n > 0; n >>= 8) length.insert(length.begin(), static_cast<char>(n & 0xFF));
    if (value.size() < 0x80) out += static_cast<char>(value.size());
    else out += static_cast<char>(0x80 | length.size()) + length;
    return out + value;
}
std::string Seq(const std::string& value) { return Der(0x30, value); }
std::string Set(const std::string& value) { return Der(0x31, value); }
std::string Oid(const char* contents) { return Der(0x06, contents); }
const std::string kNull("\x05\x00", 2);

// UTF-8 as UTF-16, big-endian (a BMPString) or little-endian with a NUL
// (a catalog attribute's value, a member's tag).
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::uint32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        std::uint32_t code = extra ? c & (0x3F >> extra) : c;
        for (int k = 1; k <= extra && i + k < text.size(); ++k) code = code << 6 | (text[i + k] & 0x3F);
        i += 1 + extra;
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    if (!bigEndian) unit(0);
    return out;
}

// The date as UTCTime (to 2049) or GeneralizedTime.
std::string Date(std::int64_t time) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char text[32];
    const bool utc = tm.tm_year >= 50 && tm.tm_year < 150;
    std::strftime(text, sizeof text, utc ? "%y%m%d%H%M%SZ" : "%Y%m%d%H%M%SZ", &tm);
    return Der(utc ? 0x17 : 0x18, text);
}

// The link that Authenticode's indirect data carries in place of a file's name.
const std::string kObsolete = Der(0xA2, Der(0x80, Utf16("<<<Obsolete>>>", true)));

std::string Member(const CatalogMember& file, const std::string& digest, int version) {
    const bool image = !catalog::ImageHashSpans(file.bytes).empty();
    // SpcPeImageData for a PE file, the flat file's type otherwise.
    const std::string data =
        image ? Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x0F") + Seq(Der(0x03, std::string(1, '\0')) + Der(0xA0, kObsolete)))
              : Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x19") + kObsolete);
    const std::string algorithm = version == 2 ? Oid("\x60\x86\x48\x01\x65\x03\x04\x02\x01") : Oid("\x2B\x0E\x03\x02\x1A");
    const std::string indirect = Seq(data + Seq(Seq(algorithm + kNull) + Der(0x04, digest)));
    const char* sip = image ? "{C689AAB8-8E78-11D0-8C47-00C04FC295EE}" : "{DE351A42-8E59-11D0-8C47-00C04FC295EE}";
    std::vector<std::string> attributes = {
        Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04") + Set(indirect)),
        // "File": the member's name; flags: name and value text, authenticated.
        Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x0C\x02\x01") +
            Set(Seq(Der(0x1E, Utf16("File", true)) + Der(0x02, std::string("\x10\x01\x00\x01", 4)) +
                    Der(0x04, Utf16(file.name, false))))),
        // The subject interface package that hashes it, and the member format.
        Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x0C\x02\x02") + Set(Seq(Der(0x1E, Utf16(sip, true)) + Der(0x02, std::string("\x02\x00", 2))))),
    };
    std::sort(attributes.begin(), attributes.end());  // DER: a SET's elements in order
    std::string all;
    for (const std::string& attribute : attributes) all += attribute;
    return Seq(Der(0x04, Utf16(HexOf(digest), false)) + Set(all));
}

// The file at `relative` from `base`, each name matched in any letter case
// as Windows matches it.
fs::path OnDisk(const fs::path& base, const fs::path& relative) {
    fs::path at = base.empty() ? fs::path(".") : base;
    for (const fs::path& part : relative.relative_path()) {
        if (part == "." || part.empty()) continue;
        if (part == "..") {
            at = at.parent_path();
            continue;
        }
        fs::path next = at / part;
        std::error_code error;
        if (!fs::exists(next, error) && fs::is_directory(at, error))
            for (fs::directory_iterator entry(at, error), end; !error && entry != end; entry.increment(error))
                if (strcasecmp(entry->path().filename().c_str(), part.c_str()) == 0) next = entry->path();
        at = next;
    }
    return at;
}

}  // namespace

std::string CatalogBytes(const std::vector<CatalogMember>& members, int version, std::int64_t time) {
    std::string all, digests;
    for (const CatalogMember& file : members) {
        const std::string digest = CatalogDigest(file.bytes, version);
        if (digest.empty()) return {};
        digests += digest;
        all += Member(file, digest, version);
    }
    // The list's identifier, from its members: the same files, the same catalog.
    const std::string id = CatalogDigest(digests, 2).substr(0, 16);
    const char* format = version == 2 ? "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x03" : "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x02";
    const std::string list = Seq(Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x01")) + Der(0x04, id) + Date(time) +
                                 Seq(Oid(format) + kNull) + Seq(all));
    const std::string content = Seq(Oid("\x2B\x06\x01\x04\x01\x82\x37\x0A\x01") + Der(0xA0, list));
    const std::string signedData = Seq(Der(0x02, "\x01") + Set("") + content + Set(""));
    return Seq(Oid("\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02") + Der(0xA0, signedData));
}

CatalogPlan PlanCatalog(const fs::path& inf) {
    CatalogPlan plan;
    std::ifstream in(inf, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::error_code error;
    if (!in || in.bad() || !fs::is_regular_file(inf, error)) {
        plan.problems.push_back(inf.string() + ": cannot be read");
        return plan;
    }
    const inf::File file = inf::Read(bytes);
    if (!file.refused.empty()) {
        plan.problems.push_back(inf.string() + ": " + file.refused);
        return plan;
    }
    plan.files.push_back(inf);
    std::set<std::pair<std::uint32_t, std::uint16_t>> seen;  // platform and processor
    std::set<std::string> told;
    for (const WindowsRelease& release : WindowsReleases()) {
        if (!seen.insert({release.version.platformId, release.version.architecture}).second) continue;
        for (const inf::SourceFile& source : inf::SourceFiles(file, release.version)) {
            if (inf::SameName(source.listedIn.substr(0, 11), "CatalogFile")) continue;
            const std::string at = inf.string() + ", line " + std::to_string(source.line) + ": " + source.listedIn +
                                   " names " + source.name;
            std::string relative = source.folder + "\\" + source.name;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            const fs::path path = OnDisk(inf.parent_path(), relative);
            std::string problem;
            if (!source.problem.empty()) problem = at + ", but " + source.problem;
            else if (!fs::is_regular_file(path, error)) problem = at + ", not found at " + path.string();
            if (!problem.empty()) {
                if (told.insert(problem).second) plan.problems.push_back(problem);
            } else if (std::find(plan.files.begin(), plan.files.end(), path) == plan.files.end()) {
                plan.files.push_back(path);
            }
        }
    }
    return plan;
}

}  // namespace rs::medium
