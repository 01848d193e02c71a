// The project's own catalog generator (tools/make-catalog.sh): the trust
// list of a driver package's files, version 1 (SHA-1) or 2 (SHA-256), as
// an unsigned PKCS #7 SignedData that osslsigncode then signs.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace rs::medium {

// A file the catalog covers: its name (the member's "File" attribute) and bytes.
struct CatalogMember {
    std::string name;
    std::string bytes;
};

// The catalog's bytes (DER); `time` (seconds since 1970) is its date.
// Empty when libcrypto fails to hash.
std::string CatalogBytes(const std::vector<CatalogMember>& members, int version, std::int64_t time);

// The files a catalog for the INF `inf` covers: the INF itself and every
// file it lists in [SourceDisksFiles*] for any system modelled, found as
// its disk and the INF's folder put it (names in any letter case).
struct CatalogPlan {
    std::vector<std::string> problems;  // each names the path; nothing to make when any
    std::vector<std::filesystem::path> files;
};
CatalogPlan PlanCatalog(const std::filesystem::path& inf);

}  // namespace rs::medium
