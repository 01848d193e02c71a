#include "app/platform_rules.h"

#include <cstring>

namespace rs {

namespace {
constexpr std::uint16_t kWorkstation = 1;
constexpr std::uint16_t kArchX86 = 0;
constexpr std::uint16_t kArchIa64 = 6;
constexpr std::uint16_t kArchAmd64 = 9;

bool Is64Bit(std::uint16_t arch) { return arch == kArchAmd64 || arch == kArchIa64; }
}  // namespace

PlatformCode ClassifyPlatform(const VersionFacts& f) {
    if (f.platformId == 1) {
        if (f.major == 4 && f.minor == 0) return 1;
        if (f.major == 4 && f.minor == 10) return 2;
        if (f.major == 4 && f.minor == 90) return 3;
        return 12;
    }
    if (f.platformId != 2) return 12;
    if (f.major <= 4) return 4;
    if (f.major == 5 && f.minor == 0) return 5;
    const bool workstation = f.productType == kWorkstation;
    if (f.major == 5 && f.minor == 1 && workstation && f.architecture == kArchX86) return 6;
    if (f.major == 5 && f.minor == 1 && workstation && Is64Bit(f.architecture)) return 7;
    if (f.major == 5 && f.minor >= 2) return 8;
    if (f.major == 6 && f.minor == 0 && workstation && f.architecture == kArchX86) return 9;
    if (f.major == 6 && f.minor == 0 && workstation && Is64Bit(f.architecture)) return 10;
    // Windows 7, 8 and 8.1 (and their server editions) are later than Vista.
    if (f.major == 6 && f.minor >= 1 && f.minor <= 3) return 11;
    if (f.major > 6) return 11;
    return 12;
}

const char* PlatformName(PlatformCode platform) {
    // One text, the names after one another: no table of addresses.
    static constexpr char kNames[] =
        "Windows not supported\0Windows 95\0Windows 98\0Windows Me\0Windows NT 4.0\0Windows 2000\0"
        "Windows XP\0Windows XP 64-bit\0Windows 5.2 (Server 2003, XP x64)\0Windows Vista\0"
        "Windows Vista 64-bit\0Windows later than Vista";
    const char* name = kNames;
    for (int i = platform >= 1 && platform <= 11 ? platform : 0; i > 0; --i) name += std::strlen(name) + 1;
    return name;
}

}  // namespace rs
