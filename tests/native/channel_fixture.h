#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "controller/hid_report_channel.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"

namespace pivora::test {

// Host A's channel connected to the simulated switch, everything in virtual time.
class ChannelOnSwitch : public ::testing::Test {
protected:
    ChannelOnSwitch() : channel(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace) {}

    void SetUp() override {
        channel.setReportLength(8);
        ASSERT_EQ(channel.connectController(), 1);
        ASSERT_TRUE(channel.isOpen());
    }

    void TearDown() override {
        EXPECT_LE(sw.hostA.hid.maxReadsInFlight(), 1) << "never more than one read in flight on a handle";
        EXPECT_EQ(sw.hostA.hid.badReleases(), 0);
        EXPECT_EQ(sw.hostA.interfaces.setsOpen(), 0);
    }

    // Time spent by `call`, in virtual milliseconds.
    template <typename Call>
    std::uint64_t elapsed(Call call) {
        const std::uint64_t start = sw.clock.now();
        call();
        return sw.clock.now() - start;
    }

    void controllerSends(const sim::WireReport& report) {
        sw.firmware.sendRaw(sim::Host::A, report);
        sw.clock.runDue();
    }

    Bytes pollBytes(int expectedLength) {
        std::array<std::uint8_t, 8> buffer{};
        buffer.fill(0xEE);
        const int length = channel.poll(buffer.data());
        EXPECT_EQ(length, expectedLength);
        return Bytes(buffer.begin(), buffer.end());
    }

    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    HidReportChannel channel;
};

}  // namespace pivora::test
