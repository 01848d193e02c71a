// DetectPlatform: the PlatformCode of the running system, computed afresh
// at every call (1 Win95, 2 Win98, 3 Me, 4 NT4, 5 2000, 6 XP x86, 7 XP 64-bit,
// 8 5.2+, 9 Vista x86, 10 Vista 64-bit, 11 later than Vista, 12 other).
#pragma once
#include "app/platform_rules.h"

namespace rs {

PlatformCode DetectPlatform();

}  // namespace rs
