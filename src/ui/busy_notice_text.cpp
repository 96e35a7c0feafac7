#include <cstring>

#include "ui/texts.h"

namespace pivora {

namespace {
constexpr std::uint16_t kChineseTaiwan = 0x0404;
constexpr std::uint16_t kChineseHongKong = 0x0C04;
}  // namespace

BusyNoticeText busyNoticeText(std::uint16_t languageId) {
    if (languageId == kChineseTaiwan || languageId == kChineseHongKong)
        return {text::kBusyNoticeBig5, sizeof text::kBusyNoticeBig5, text::kBig5CodePage};
    return {reinterpret_cast<const std::uint8_t*>(text::kBusyNoticeEnglish), std::strlen(text::kBusyNoticeEnglish), 0};
}

}  // namespace pivora
