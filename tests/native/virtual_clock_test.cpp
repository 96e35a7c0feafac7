#include <gtest/gtest.h>

#include <string>

#include "sim/virtual_clock.h"

namespace pivora::test {
namespace {

TEST(VirtualClock, SleepRunsDueEventsInTimeThenSchedulingOrder) {
    sim::VirtualClock clock;
    std::string order;
    clock.schedule(30, [&] { order += 'c'; });
    clock.schedule(10, [&] {
        order += 'a';
        clock.schedule(5, [&] { order += 'b'; });  // due within the same sleep
    });
    clock.schedule(30, [&] { order += 'd'; });
    clock.schedule(31, [&] { order += 'x'; });

    clock.sleep(30);
    EXPECT_EQ(order, "abcd");
    EXPECT_EQ(clock.now(), 30u);
    EXPECT_EQ(clock.pendingEvents(), 1u);
}

TEST(VirtualClock, EventSeesItsOwnTime) {
    sim::VirtualClock clock;
    std::uint64_t seen = 0;
    clock.schedule(7, [&] { seen = clock.now(); });
    clock.sleep(100);
    EXPECT_EQ(seen, 7u);
    EXPECT_EQ(clock.now(), 100u);
}

TEST(VirtualClock, TickCountWrapsAt32Bits) {
    sim::VirtualClock clock(0xFFFFFFF0u);
    clock.sleep(0x20);
    EXPECT_EQ(clock.tickCount(), 0x10u);
    EXPECT_EQ(clock.now(), 0x20u);
}

}  // namespace
}  // namespace pivora::test
