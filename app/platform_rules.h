// PlatformCode classification over the facts the version query gives.
#pragma once
#include <cstdint>

namespace rs {

using PlatformCode = int;  // 1..12, see DetectPlatform

struct VersionFacts {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t platformId = 0;    // 1 Windows 9x, 2 NT
    std::uint16_t productType = 0;   // 1 workstation; 0 when only the short query worked
    std::uint16_t architecture = 0;  // 0 x86, 6 Itanium, 9 x64
};

PlatformCode ClassifyPlatform(const VersionFacts& facts);

// The platform's name as administrators read it in the log ("Windows XP").
const char* PlatformName(PlatformCode platform);

}  // namespace rs
