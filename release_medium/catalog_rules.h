// A driver package's catalog as the system reads it: a PKCS #7 SignedData
// whose content is a certificate trust list of file hashes, and the parts
// of a PE file that its Authenticode image hash covers. Untrusted bytes:
// read within their bounds, and what is not understood is refused, named.
// No Windows and no library here.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rs::catalog {

// One member of the trust list.
struct Member {
    std::string name;    // its "File" name attribute, in UTF-8; empty when it has none
    bool sha256 = false;  // the digest's algorithm: SHA-256, else SHA-1
    std::string digest;  // the hash, as bytes; empty when the member holds none this reader knows
};

struct Catalog {
    std::string refused;  // why it is no catalog the system reads; empty when read
    int version = 0;      // 1 (SHA-1 members) or 2 (SHA-256 members)
    bool signed_ = false;  // a SignerInfo present; the signer's chain is not judged
    std::vector<Member> members;
};

Catalog Parse(std::string_view bytes);

// A run of a file's bytes.
struct Span {
    std::size_t at = 0, size = 0;
};
// What the Authenticode image hash of a PE file covers, in order: the file
// without its header checksum, the certificate table's directory entry
// and the certificate table itself. Empty when the bytes are no PE image
// (the whole file is hashed then).
std::vector<Span> ImageHashSpans(std::string_view file);

// The algorithm that a catalog's version hashes with, as the messages name it.
inline const char* AlgorithmOf(int version) { return version == 2 ? "SHA-256" : "SHA-1"; }

}  // namespace rs::catalog
