#include "release_medium/catalog_rules.h"

#include <cstdint>

#include "release_medium/inf_rules.h"

namespace rs::catalog {
namespace {

// Object identifiers as their DER contents.
constexpr std::string_view kSignedData = "\x2A\x86\x48\x86\xF7\x0D\x01\x07\x02";      // 1.2.840.113549.1.7.2
constexpr std::string_view kTrustList = "\x2B\x06\x01\x04\x01\x82\x37\x0A\x01";       // 1.3.6.1.4.1.311.10.1
constexpr std::string_view kCatalogList = "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x01";  // ...311.12.1.1
constexpr std::string_view kMember1 = "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x02";      // ...311.12.1.2
constexpr std::string_view kMember2 = "\x2B\x06\x01\x04\x01\x82\x37\x0C\x01\x03";      // ...311.12.1.3
constexpr std::string_view kIndirectData = "\x2B\x06\x01\x04\x01\x82\x37\x02\x01\x04";  // ...311.2.1.4
constexpr std::string_view kNameValue = "\x2B\x06\x01\x04\x01\x82\x37\x0C\x02\x01";    // ...311.12.2.1
constexpr std::string_view kSha1 = "\x2B\x0E\x03\x02\x1A";                              // 1.3.14.3.2.26
constexpr std::string_view kSha256 = "\x60\x86\x48\x01\x65\x03\x04\x02\x01";            // 2.16.840.1.101.3.4.2.1

enum Tag : unsigned char {
    kInteger = 0x02, kOctets = 0x04, kOid = 0x06, kUtcTime = 0x17, kGeneralTime = 0x18, kBmpString = 0x1E,
    kSequence = 0x30, kSet = 0x31, kContext0 = 0xA0, kContext1 = 0xA1,
};

// Why the bytes are refused; thrown only within Parse.
struct Refusal {
    std::string why;
};

struct Tlv {
    unsigned char tag = 0;
    std::string_view value;
};

// DER elements one after another, each within the bytes it is read from.
// Indefinite lengths (BER) and tag numbers above 30 are not DER a catalog
// holds: refused.
class Der {
public:
    explicit Der(std::string_view bytes) : rest_(bytes) {}
    bool Empty() const { return rest_.empty(); }
    bool At(unsigned char tag) const { return !rest_.empty() && static_cast<unsigned char>(rest_[0]) == tag; }

    Tlv Next(const char* what) {
        if (rest_.size() < 2) throw Refusal{std::string(what) + " cut off"};
        const auto byte = [this](std::size_t i) { return static_cast<unsigned char>(rest_[i]); };
        Tlv tlv{byte(0), {}};
        if ((tlv.tag & 0x1F) == 0x1F) throw Refusal{std::string(what) + ": a tag of more than one byte"};
        std::size_t length = byte(1), head = 2;
        if (length == 0x80) throw Refusal{std::string(what) + ": an indefinite length (BER, not DER)"};
        if (length > 0x80) {
            const std::size_t count = length & 0x7F;
            if (count > 4 || rest_.size() < 2 + count) throw Refusal{std::string(what) + ": its length cut off or too long"};
            length = 0;
            for (std::size_t i = 0; i < count; ++i) length = length << 8 | byte(2 + i);
            head += count;
        }
        if (length > rest_.size() - head) throw Refusal{std::string(what) + " cut off"};
        tlv.value = rest_.substr(head, length);
        rest_.remove_prefix(head + length);
        return tlv;
    }

    Tlv Expect(unsigned char tag, const char* what) {
        if (!rest_.empty() && !At(tag)) throw Refusal{std::string(what) + " expected, another element found"};
        return Next(what);
    }

private:
    std::string_view rest_;
};

// 1.3.6.1.4.1.311.10.1; a malformed identifier as far as it reads.
std::string Dotted(std::string_view oid) {
    std::string out;
    std::uint64_t arc = 0;
    for (std::size_t i = 0; i < oid.size(); ++i) {
        const auto byte = static_cast<unsigned char>(oid[i]);
        arc = arc << 7 | (byte & 0x7F);
        if (arc > 0xFFFFFFFFu) return out + "...";
        if (byte & 0x80) continue;
        if (out.empty()) out = std::to_string(arc < 80 ? arc / 40 : 2) + "." + std::to_string(arc < 80 ? arc % 40 : arc - 80);
        else out += "." + std::to_string(arc);
        arc = 0;
    }
    return out;
}

// UTF-16 (little-endian in an OCTET STRING, big-endian in a BMPString) as
// UTF-8, up to a NUL.
std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        const std::uint32_t unit = bigEndian ? (a << 8 | b) : (b << 8 | a);
        if (unit == 0) break;
        inf::AppendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return out;
}

// SpcIndirectDataContent: the data's type and value, then the DigestInfo.
void ReadIndirectData(std::string_view values, Member& member) {
    Der set(values);
    Der content(set.Expect(kSequence, "a member's indirect data").value);
    content.Expect(kSequence, "a member's indirect data type");
    Der digestInfo(content.Expect(kSequence, "a member's digest").value);
    Der algorithm(digestInfo.Expect(kSequence, "a member's digest algorithm").value);
    const std::string_view oid = algorithm.Expect(kOid, "a member's digest algorithm").value;
    const std::string_view digest = digestInfo.Expect(kOctets, "a member's hash").value;
    // Another algorithm, or a hash of another size, matches no file.
    if ((oid == kSha1 && digest.size() == 20) || (oid == kSha256 && digest.size() == 32)) {
        member.sha256 = oid == kSha256;
        member.digest = std::string(digest);
    }
}

// A name-value attribute: its name (a BMPString), flags, and value.
void ReadNameValue(std::string_view values, Member& member) {
    Der set(values);
    Der pair(set.Expect(kSequence, "a member's name attribute").value);
    const std::string name = FromUtf16(pair.Expect(kBmpString, "a member attribute's name").value, true);
    pair.Expect(kInteger, "a member attribute's flags");
    const std::string_view value = pair.Expect(kOctets, "a member attribute's value").value;
    if (inf::SameName(name, "File")) member.name = FromUtf16(value, false);
}

Member ReadMember(std::string_view bytes) {
    Member member;
    Der subject(bytes);
    subject.Expect(kOctets, "a member's tag");
    if (subject.Empty()) return member;
    Der attributes(subject.Expect(kSet, "a member's attributes").value);
    while (!attributes.Empty()) {
        Der attribute(attributes.Expect(kSequence, "a member attribute").value);
        const std::string_view type = attribute.Expect(kOid, "a member attribute's type").value;
        const std::string_view values = attribute.Expect(kSet, "a member attribute's values").value;
        if (type == kIndirectData) ReadIndirectData(values, member);
        else if (type == kNameValue) ReadNameValue(values, member);
    }
    return member;
}

// CertificateTrustList: usage, identifier and sequence number (optional),
// this and next update, the members' algorithm, the members, extensions.
void ReadTrustList(std::string_view bytes, Catalog& catalog) {
    Der list(bytes);
    Der usages(list.Expect(kSequence, "the trust list's usage").value);
    bool forCatalogs = false;
    while (!usages.Empty()) forCatalogs = usages.Expect(kOid, "a trust list usage").value == kCatalogList || forCatalogs;
    if (!forCatalogs) throw Refusal{"a trust list whose usage is not a catalog's (1.3.6.1.4.1.311.12.1.1)"};
    if (list.At(kOctets)) list.Next("the trust list's identifier");
    if (list.At(kInteger)) list.Next("the trust list's sequence number");
    if (!list.At(kUtcTime) && !list.At(kGeneralTime)) throw Refusal{"the trust list's date missing"};
    list.Next("the trust list's date");
    if (list.At(kUtcTime) || list.At(kGeneralTime)) list.Next("the trust list's next date");
    Der algorithm(list.Expect(kSequence, "the trust list's member algorithm").value);
    const std::string_view format = algorithm.Expect(kOid, "the trust list's member algorithm").value;
    if (format == kMember1) catalog.version = 1;
    else if (format == kMember2) catalog.version = 2;
    else throw Refusal{"members of the kind " + Dotted(format) + ", neither a version 1 nor a version 2 catalog's"};
    if (list.At(kSequence)) {
        Der members(list.Next("the trust list's members").value);
        while (!members.Empty()) catalog.members.push_back(ReadMember(members.Expect(kSequence, "a member").value));
    }
    if (list.At(kContext0)) list.Next("the trust list's extensions");
    if (!list.Empty()) throw Refusal{"the trust list holds more than its fields"};
}

}  // namespace

Catalog Parse(std::string_view bytes) {
    Catalog catalog;
    try {
        Der file(bytes);
        Der info(file.Expect(kSequence, "a PKCS #7 message").value);
        const std::string_view type = info.Expect(kOid, "a PKCS #7 content type").value;
        if (type != kSignedData) throw Refusal{"a PKCS #7 message of content type " + Dotted(type) + ", not SignedData"};
        Der wrapped(info.Expect(kContext0, "the SignedData").value);
        Der signedData(wrapped.Expect(kSequence, "the SignedData").value);
        signedData.Expect(kInteger, "the SignedData's version");
        signedData.Expect(kSet, "the SignedData's digest algorithms");
        Der content(signedData.Expect(kSequence, "the signed content").value);
        const std::string_view contentType = content.Expect(kOid, "the signed content's type").value;
        if (contentType != kTrustList)
            throw Refusal{"signed content of type " + Dotted(contentType) +
                          ", not a certificate trust list (1.3.6.1.4.1.311.10.1)"};
        Der list(content.Expect(kContext0, "the certificate trust list").value);
        ReadTrustList(list.Expect(kSequence, "the certificate trust list").value, catalog);
        if (signedData.At(kContext0)) signedData.Next("the SignedData's certificates");
        if (signedData.At(kContext1)) signedData.Next("the SignedData's revocation lists");
        Der signers(signedData.Expect(kSet, "the SignedData's signer infos").value);
        catalog.signed_ = !signers.Empty();
        while (!signers.Empty()) signers.Expect(kSequence, "a signer info");
    } catch (const Refusal& refusal) {
        catalog = Catalog{};
        catalog.refused = refusal.why;
    }
    return catalog;
}

std::vector<Span> ImageHashSpans(std::string_view file) {
    const auto u16 = [file](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8);
    };
    const auto u32 = [&u16](std::size_t at) { return u16(at) | u16(at + 2) << 16; };
    const std::size_t size = file.size();
    if (size < 64 || file.substr(0, 2) != "MZ") return {};
    const std::size_t pe = u32(0x3C);
    if (pe > size - 24 || file.substr(pe, 4) != std::string_view("PE\0\0", 4)) return {};
    const std::size_t optional = pe + 24, optionalSize = u16(pe + 20);
    if (optionalSize > size - optional || optionalSize < 2) return {};
    // The data directories of PE32 and PE32+; the fifth is the certificate table's.
    const std::uint32_t magic = u16(optional);
    const std::size_t directories = magic == 0x10B ? 96 : magic == 0x20B ? 112 : 0;
    if (directories == 0 || directories + 5 * 8 > optionalSize || u32(optional + directories - 4) < 5) return {};
    const std::size_t checksum = optional + 64, entry = optional + directories + 4 * 8;
    std::vector<Span> spans = {{0, checksum}, {checksum + 4, entry - checksum - 4}};
    const std::uint64_t table = u32(entry), tableSize = u32(entry + 4), rest = entry + 8;
    if (tableSize != 0 && table >= rest && table + tableSize <= size) {
        spans.push_back({rest, static_cast<std::size_t>(table) - rest});
        spans.push_back({static_cast<std::size_t>(table + tableSize), size - static_cast<std::size_t>(table + tableSize)});
    } else {
        spans.push_back({rest, size - rest});
    }
    return spans;
}

}  // namespace rs::catalog
