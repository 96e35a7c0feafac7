#include <gtest/gtest.h>

#include "channel_fixture.h"
#include "controller/reply_wait.h"
#include "controller/report_catalogue.h"
#include "platform/byte_order.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::WireReport;

struct FrameCase {
    const char* name;
    Request request;
    Bytes expected;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class Frames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(Frames, AreBuiltByteForByte) {
    const Request& request = GetParam().request;
    EXPECT_EQ(Bytes(request.bytes.begin(), request.bytes.begin() + request.length), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, Frames,
    ::testing::Values(FrameCase{"InfoQuery", infoQuery(), {2, 0x51}}, FrameCase{"SignOff", signOff(), {2, 0x53}},
                      FrameCase{"StatusQuery", statusQuery(), {2, 0x5B}},
                      FrameCase{"ClaimPorts", claimPorts(0x0C), {2, 0x55, 0x0C}},
                      FrameCase{"ReleaseGrant", releaseGrant(0x04), {2, 0x59, 0x04}},
                      FrameCase{"ReleaseDone", releaseDone(0x00), {2, 0x5A, 0x00}},
                      FrameCase{"ReadPortId", readPortId(0x10), {2, 0x60, 0x10}},
                      FrameCase{"ReleaseRequest", releaseRequest(0x08), {2, 0x57, 0x08}},
                      FrameCase{"StorePortIdLowByteFirst", storePortId(0x04, 0x04B4, 0x120D),
                                {2, 0x5D, 0x04, 0xB4, 0x04, 0x0D, 0x12}},
                      FrameCase{"StorePortIdClearsWithZeros", storePortId(0x01, 0, 0), {2, 0x5D, 0x01, 0, 0, 0, 0}}),
    [](const ::testing::TestParamInfo<FrameCase>& c) { return std::string(c.param.name); });

TEST(ByteOrder, ReadsSixteenBitValuesLowByteFirst) {
    const std::uint8_t bytes[2] = {0xB4, 0x04};
    EXPECT_EQ(readLe16(bytes), 0x04B4);
}

class ReplyWait : public ChannelOnSwitch {
protected:
    int wait(std::uint8_t code, int limit) {
        return awaitReply(channel, sw.clock, code, limit, replyWaitCount, reply);
    }

    int replyWaitCount = -1;
    std::array<std::uint8_t, 8> reply{};
};

struct LimitCase {
    int limit;
    int polls;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << "limit " << c.limit; }

class ReplyWaitLimit : public ReplyWait, public ::testing::WithParamInterface<LimitCase> {};

// Other reports fill the driver's buffer and keep coming faster than polls
// take them, so every poll, however soon after the last, takes one: the
// reports taken count the polls.
TEST_P(ReplyWaitLimit, GivesUpAfterLimitPlusOnePollsOneSleepEach) {
    const LimitCase& c = GetParam();
    const WireReport other{2, code::InfoReply, 1, 2, 3, 0, 0, 0};
    for (std::size_t report = 0; report <= sim::SimHidDevices::kInputBufferReports; ++report) controllerSends(other);
    for (int at = 10; at <= c.polls * 100; at += 10)
        sw.firmware.sendRaw(Host::A, other, static_cast<std::uint32_t>(at));

    int result = -1;
    EXPECT_EQ(elapsed([&] { result = wait(code::StatusReply, c.limit); }), static_cast<std::uint64_t>(c.polls) * 100);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(replyWaitCount, 0);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsDelivered).size(), static_cast<std::size_t>(c.polls));
}

// A negative limit waits no longer than 0.
INSTANTIATE_TEST_SUITE_P(Limits, ReplyWaitLimit,
                         ::testing::Values(LimitCase{50, 51}, LimitCase{20, 21}, LimitCase{1, 2}, LimitCase{0, 1},
                                           LimitCase{-1, 1}, LimitCase{-20, 1}));

TEST_F(ReplyWait, DropsOtherReportsAndEndsWithTheAwaitedOne) {
    controllerSends({2, code::ReleaseRequest, 0x04, 0, 0, 0, 0, 0});
    controllerSends({2, code::InfoReply, 1, 2, 3, 0, 0, 0});
    sw.firmware.sendRaw(Host::A, {2, code::PortIdReply, 0x04, 0xB4, 0x04, 0x0D, 0x12, 0}, 350);

    ASSERT_EQ(wait(code::PortIdReply, 20), 1);
    EXPECT_EQ(readLe16(&reply[3]), 0x04B4);
    EXPECT_EQ(readLe16(&reply[5]), 0x120D);
    EXPECT_EQ(replyWaitCount, 16) << "found at the fifth poll";
    std::array<std::uint8_t, 8> rest{};
    EXPECT_EQ(channel.poll(rest.data()), 0) << "the reports before the reply are gone";
}

TEST_F(ReplyWait, ReplyFromTheFirmwareAfterItsRequest) {
    sw.firmware.setPortId(2, {0x04B4, 0x120D});
    sendRequest(channel, readPortId(0x04));
    ASSERT_EQ(wait(code::PortIdReply, 20), 1);
    EXPECT_EQ(reply[2], 0x04);
    EXPECT_EQ(readLe16(&reply[3]), 0x04B4);
}

}  // namespace
}  // namespace pivora::test
