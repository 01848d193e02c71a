// SHA-256 (FIPS 180-4), for the record a medium carries of its files: the
// host tool needs no library for it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rs::medium {

class Sha256 {
public:
    Sha256();
    void Add(const void* bytes, std::size_t size);
    // The digest as 64 lower-case hex digits; ends the computation.
    std::string Hex();

private:
    void Block(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

}  // namespace rs::medium
