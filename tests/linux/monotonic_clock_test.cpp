#include <gtest/gtest.h>

#include "platform/linux/monotonic_clock.h"

namespace pivora {
namespace {

// The tick moves with the sleeps, never backwards, by at least what was slept.
TEST(MonotonicClock, SleepsAtLeastAsLongAsAskedAndTicksOnward) {
    MonotonicClock clock;
    const std::uint32_t before = clock.tickCount();
    clock.sleep(30);
    const std::uint32_t slept = clock.tickCount() - before;
    EXPECT_GE(slept, 30u);
    EXPECT_LT(slept, 30000u);
}

}  // namespace
}  // namespace pivora
