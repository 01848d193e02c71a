#include "tools/medium_layout/file_digest.h"

#include <openssl/evp.h>

#include <memory>

#include "release_medium/catalog_rules.h"

namespace rs::medium {

std::string CatalogDigest(std::string_view file, int version) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), version == 2 ? EVP_sha256() : EVP_sha1(), nullptr) != 1)
        return {};
    std::vector<catalog::Span> spans = catalog::ImageHashSpans(file);
    if (spans.empty()) spans.push_back({0, file.size()});
    for (const catalog::Span& span : spans)
        if (EVP_DigestUpdate(context.get(), file.data() + span.at, span.size) != 1) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return {};
    return std::string(reinterpret_cast<const char*>(digest), size);
}

std::string HexOf(std::string_view digest) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : digest) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

}  // namespace rs::medium
