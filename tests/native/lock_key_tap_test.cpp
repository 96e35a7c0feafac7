#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
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

// A key pressed at `at` and released 80 ms later.
std::vector<KeyEvent> tap(std::uint32_t key, std::uint32_t downFlags, std::uint32_t at) {
    return {{key, downFlags, at}, {key, downFlags | kUp, at + 80}};
}

// A key held down for `ms` from `from`, as Windows delivers it: one press,
// the typematic repeats (500 ms delay, then one every 33 ms) as further
// key-down events, one release.
std::vector<KeyEvent> held(std::uint32_t key, std::uint32_t downFlags, std::uint32_t from, std::uint32_t ms) {
    std::vector<KeyEvent> events{{key, downFlags, from}};
    for (std::uint32_t at = from + 500; at < from + ms; at += 33) events.push_back({key, downFlags, at});
    events.push_back({key, downFlags | kUp, from + ms});
    return events;
}

std::vector<KeyEvent> sequence(std::initializer_list<std::vector<KeyEvent>> parts) {
    std::vector<KeyEvent> events;
    for (const auto& part : parts) events.insert(events.end(), part.begin(), part.end());
    return events;
}

struct TapCase {
    const char* name;
    std::vector<KeyEvent> events;
    std::vector<std::uint32_t> togglesAt;  // the times of the events that complete a double tap
    std::uint32_t armed = 7;                // the lock keys chosen: 1 NumLock, 2 ScrollLock, 4 CapsLock
};

class DoubleTap : public ::testing::TestWithParam<TapCase> {};

TEST_P(DoubleTap, TogglesOnTheRightEvents) {
    LockKeyDoubleTap doubleTap;
    doubleTap.arm(GetParam().armed);
    std::vector<std::uint32_t> toggles;
    for (const KeyEvent& event : GetParam().events)
        if (doubleTap.onKeyEvent(event.virtualKey, event.flags, event.time)) toggles.push_back(event.time);
    EXPECT_EQ(toggles, GetParam().togglesAt);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, DoubleTap,
    ::testing::Values(
        TapCase{"NumLockThenCapsLock400msApart", sequence({tap(kNum, kExtendedDown, 5000), tap(kCaps, kDown, 5400)}),
                {5400}},
        TapCase{"ScrollLockTwice", sequence({tap(kScroll, kDown, 5000), tap(kScroll, kDown, 5999)}), {5999}},
        TapCase{"ASecondApartIsTooSlow", sequence({tap(kNum, kExtendedDown, 5000), tap(kNum, kExtendedDown, 6000)}),
                {}},
        TapCase{"AnotherKeyBetweenCancels",
                sequence({tap(kNum, kExtendedDown, 5000), tap(kLetterA, kDown, 5100), tap(kNum, kExtendedDown, 5200)}),
                {}},
        TapCase{"KeyUpsAreIgnored",
                {{kNum, kExtendedDown, 5000}, {kNum, kExtendedDown | kUp, 5080}, {kLetterA, kUp, 5100},
                 {kCaps, kDown, 5300}, {kCaps, kUp, 5380}},
                {5300}},
        TapCase{"ThreeQuickPressesToggleOnce",
                sequence({tap(kNum, kExtendedDown, 5000), tap(kNum, kExtendedDown, 5200),
                          tap(kNum, kExtendedDown, 5400)}),
                {5200}},
        TapCase{"FourQuickPressesToggleTwice",
                sequence({tap(kNum, kExtendedDown, 5000), tap(kNum, kExtendedDown, 5200),
                          tap(kNum, kExtendedDown, 5400), tap(kNum, kExtendedDown, 5600)}),
                {5200, 5600}},
        // Holding a key is one press however long it repeats; a true double
        // tap before or after it still toggles, once.
        TapCase{"HeldKeyIsOnePress", held(kNum, kExtendedDown, 5000, 5000), {}},
        TapCase{"HeldKeyThenADoubleTap",
                sequence({held(kCaps, kDown, 5000, 5000), tap(kNum, kExtendedDown, 10500),
                          tap(kNum, kExtendedDown, 10800)}),
                {10800}},
        TapCase{"TapThenAHeldKey", sequence({tap(kScroll, kDown, 5000), held(kScroll, kDown, 5300, 2000)}), {5300}},
        // Only the chosen keys count; another lock key is a key like any other.
        TapCase{"OnlyNumLockChosen", sequence({tap(kNum, kExtendedDown, 5000), tap(kNum, kExtendedDown, 5300)}),
                {5300}, 1},
        TapCase{"AKeyNotChosenDoesNothing", sequence({tap(kCaps, kDown, 5000), tap(kCaps, kDown, 5300)}), {}, 1},
        TapCase{"AKeyNotChosenBetweenCancels",
                sequence({tap(kNum, kExtendedDown, 5000), tap(kCaps, kDown, 5100), tap(kNum, kExtendedDown, 5200)}),
                {}, 1},
        TapCase{"Off", sequence({tap(kNum, kExtendedDown, 5000), tap(kScroll, kDown, 5300)}), {}, 0},
        TapCase{"AcrossTheTickCountWrap", sequence({tap(kNum, kExtendedDown, 0xFFFFFE00u), tap(kCaps, kDown, 0x100u)}),
                {0x100u}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace pivora::test
