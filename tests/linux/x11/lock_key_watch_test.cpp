#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/x11/lock_key_watch.h"
#include "settings/lock_keys.h"

namespace pivora {
namespace {

// Keys typed for real on the X server the test runs under (Xvfb), through
// XTEST, as a keyboard would type them.
bool type(const std::string& keys) {
    const std::string command = "xdotool key --delay 40 " + keys;
    gint status = 0;
    gchar* argv[] = {const_cast<gchar*>("/bin/sh"), const_cast<gchar*>("-c"), const_cast<gchar*>(command.c_str()),
                     nullptr};
    return g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, nullptr, &status,
                        nullptr) &&
           g_spawn_check_wait_status(status, nullptr);
}

// Runs the default main context, where the watch reads, until `count` double
// taps were heard or `seconds` have passed.
void runUntil(const int& taps, int count, double seconds) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
    while (taps < count && g_get_monotonic_time() < deadline) {
        if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
    }
}

struct TypedCase {
    const char* name;
    std::uint32_t armed;
    const char* keys;
    int taps;
};

class LockKeyWatchTest : public testing::TestWithParam<TypedCase> {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
        ASSERT_TRUE(watch.start(nullptr)) << "XInput 2 on " << std::getenv("DISPLAY");
    }

    int taps = 0;
    LockKeyWatch watch{[this] { ++taps; }};
};

// After each case's keys, NumLock twice with every key armed must make
// exactly one more double tap: the X server hands events over in order, so
// when that one has come, the case's own keys have all been read.
TEST_P(LockKeyWatchTest, CountsOnlyArmedLockKeysTappedTwice) {
    watch.arm(GetParam().armed);
    ASSERT_TRUE(type(GetParam().keys));
    runUntil(taps, GetParam().taps, 5);
    runUntil(taps, GetParam().taps + 1, 0.3);
    EXPECT_EQ(taps, GetParam().taps);

    watch.arm(lock_keys::kAll);
    ASSERT_TRUE(type("Num_Lock Num_Lock"));
    runUntil(taps, GetParam().taps + 1, 5);
    runUntil(taps, GetParam().taps + 2, 0.3);
    EXPECT_EQ(taps, GetParam().taps + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, LockKeyWatchTest,
    testing::Values(TypedCase{"NumLockTwice", lock_keys::kAll, "Num_Lock Num_Lock", 1},
                    TypedCase{"TwoDifferentLockKeys", lock_keys::kAll, "Scroll_Lock Caps_Lock", 1},
                    TypedCase{"NumLockOnce", lock_keys::kAll, "Num_Lock", 0},
                    TypedCase{"AnotherKeyBetween", lock_keys::kAll, "Num_Lock a Num_Lock", 0},
                    TypedCase{"Disarmed", 0, "Num_Lock Num_Lock", 0},
                    TypedCase{"CapsLockWhileOnlyScrollLockIsArmed", lock_keys::kScrollLock, "Caps_Lock Caps_Lock", 0},
                    TypedCase{"ScrollLockArmedAlone", lock_keys::kScrollLock, "Scroll_Lock Scroll_Lock", 1}),
    [](const testing::TestParamInfo<TypedCase>& c) { return std::string(c.param.name); });

TEST(LockKeyWatchWithoutX, SaysItCannotWatch) {
    LockKeyWatch watch([] {});
    EXPECT_FALSE(watch.start(":987"));
    watch.arm(lock_keys::kAll);  // harmless without a display
}

}  // namespace
}  // namespace pivora
