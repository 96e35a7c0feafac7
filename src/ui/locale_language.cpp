#include "ui/locale_language.h"

#include <cstring>

namespace pivora {

namespace {
// The part naming language and territory ends at the codeset or the modifier.
bool territoryIs(const char* locale, const char* languageAndTerritory) {
    const std::size_t length = std::strlen(languageAndTerritory);
    if (std::strncmp(locale, languageAndTerritory, length) != 0) return false;
    const char after = locale[length];
    return after == '\0' || after == '.' || after == '@';
}
}  // namespace

std::uint16_t languageIdOfLocale(const char* locale) {
    if (locale == nullptr) return 0x0409;
    if (territoryIs(locale, "zh_TW")) return 0x0404;
    if (territoryIs(locale, "zh_HK")) return 0x0C04;
    return 0x0409;
}

}  // namespace pivora
