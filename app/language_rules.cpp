#include "app/language_rules.h"

namespace rs {

DisplayLanguage LanguageForLangId(std::uint16_t langId) {
    switch (langId) {
        case 1028: return 1;  // Chinese (Taiwan)
        case 1042: return 2;  // Korean
        case 2066: return 2;  // Korean (Johab)
        default: return 0;    // other Chinese locales included
    }
}

}  // namespace rs
