// The display language rule: the whole 16-bit language ID decides.
#pragma once
#include <cstdint>

#include "app/texts.h"

namespace rs {

DisplayLanguage LanguageForLangId(std::uint16_t langId);

}  // namespace rs
