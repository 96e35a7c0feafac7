#pragma once

#include <cstdint>

namespace pivora {

// The Windows language id of a POSIX locale name ("zh_TW.UTF-8",
// "zh_HK@stroke", "de_DE"), so that the texts chosen by language id on
// Windows are chosen alike on Linux: Chinese (Taiwan) 0x0404, Chinese (Hong
// Kong) 0x0C04, English (United States) 0x0409 for every other locale.
std::uint16_t languageIdOfLocale(const char* locale);

}  // namespace pivora
