// A file's hash as a catalog holds it (libcrypto): the Authenticode image
// hash of a PE file, the hash of the whole file otherwise; SHA-1 for a
// version 1 catalog, SHA-256 for a version 2 one.
#pragma once
#include <string>
#include <string_view>

namespace rs::medium {

// The digest as bytes; empty when libcrypto fails (it names no cause).
std::string CatalogDigest(std::string_view file, int version);

// The digest as upper-case hex digits, as a catalog's member tags spell it.
std::string HexOf(std::string_view digest);

}  // namespace rs::medium
