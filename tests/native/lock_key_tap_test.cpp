#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "control/lock_key_tap.h"

namespace pivora::test {
namespace {

constexpr std::uint32_t kNum = 0x90;
constexpr std::uint32_t kScroll = 0x91;
constexpr std::uint32_t kCaps = 0x14;
constexpr std::uint32_t kLetterA = 0x41;
constexpr std::uint32_t kDown = 0x00;
constexpr std::uint32_t kUp = 0x80;  // LLKHF_UP
constexpr std::uint32_t kExtendedDown = 0x01;

struct KeyEvent {
    std::uint32_t virtualKey;
    std::uint32_t flags;
    std::uint32_t time;
};

struct TapCase {
    const char* name;
    std::vector<KeyEvent> events;
    std::vector<int> togglesAt;  // indexes of the events that complete a double tap
};

class DoubleTap : public ::testing::TestWithParam<TapCase> {};

TEST_P(DoubleTap, TogglesOnTheRightEvents) {
    LockKeyDoubleTap tap;
    std::vector<int> toggles;
    for (std::size_t i = 0; i < GetParam().events.size(); ++i) {
        const KeyEvent& event = GetParam().events[i];
        if (tap.onKeyEvent(event.virtualKey, event.flags, event.time)) toggles.push_back(static_cast<int>(i));
    }
    EXPECT_EQ(toggles, GetParam().togglesAt);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DoubleTap,
    ::testing::Values(
        TapCase{"NumLockThenCapsLock400msApart", {{kNum, kExtendedDown, 5000}, {kCaps, kDown, 5400}}, {1}},
        TapCase{"ScrollLockTwice", {{kScroll, kDown, 5000}, {kScroll, kDown, 5999}}, {1}},
        TapCase{"ASecondApartIsTooSlow", {{kNum, kExtendedDown, 5000}, {kNum, kExtendedDown, 6000}}, {}},
        TapCase{"AnotherKeyBetweenCancels",
                {{kNum, kExtendedDown, 5000}, {kLetterA, kDown, 5100}, {kNum, kExtendedDown, 5200}},
                {}},
        TapCase{"KeyUpsAreIgnored",
                {{kNum, kExtendedDown, 5000}, {kNum, kExtendedDown | kUp, 5080}, {kLetterA, kUp, 5100},
                 {kCaps, kDown, 5300}, {kCaps, kUp, 5380}},
                {3}},
        TapCase{"ThreeQuickPressesToggleOnce",
                {{kNum, kExtendedDown, 5000}, {kNum, kExtendedDown, 5200}, {kNum, kExtendedDown, 5400}},
                {1}},
        TapCase{"FourQuickPressesToggleTwice",
                {{kNum, kExtendedDown, 5000}, {kNum, kExtendedDown, 5200}, {kNum, kExtendedDown, 5400},
                 {kNum, kExtendedDown, 5600}},
                {1, 3}},
        TapCase{"HeldKeyRepeatsAndCounts", {{kCaps, kDown, 5000}, {kCaps, kDown, 5500}, {kCaps, kUp, 5520}}, {1}},
        TapCase{"AcrossTheTickCountWrap", {{kNum, kExtendedDown, 0xFFFFFE00u}, {kCaps, kDown, 0x100u}}, {1}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace pivora::test
