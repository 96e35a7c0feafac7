#include <gtest/gtest.h>

#include <memory>

#include "channel_fixture.h"
#include "controller/report_catalogue.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::SimHidDevices;
using sim::WireReport;

const WireReport kStatusB2{2, code::StatusReply, 0x04, 0, 0, 0, 0, 0};
const WireReport kInfo{2, code::InfoReply, 1, 2, 3, 0, 0, 0};
const std::uint8_t kLocalRelease[3] = {2, code::ReleaseRequest, 0x08};

Bytes withTail(std::initializer_list<std::uint8_t> head, std::uint8_t fill) {
    Bytes bytes(head);
    bytes.resize(8, fill);
    return bytes;
}

TEST_F(ChannelOnSwitch, DeliversOneControllerReportPerPoll) {
    EXPECT_EQ(channel.pendingLength(), 0);
    pollBytes(0);

    controllerSends(kStatusB2);
    EXPECT_EQ(channel.pendingLength(), 8);
    EXPECT_EQ(pollBytes(8), Bytes(kStatusB2.begin(), kStatusB2.end()));
    pollBytes(0);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsDelivered).size(), 1u);
}

TEST_F(ChannelOnSwitch, TwoReportsBetweenPollsAreBothDelivered) {
    controllerSends(kStatusB2);
    controllerSends(kInfo);  // waits in the driver's buffer behind the completed read
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    EXPECT_EQ(pollBytes(8)[1], code::InfoReply);
    pollBytes(0);
}

TEST_F(ChannelOnSwitch, InjectedReportPrecedesALaterReadAndLeavesTheRestOfTheDestination) {
    ASSERT_EQ(sw.hostA.hid.readsInFlight(), 1);
    channel.inject(kLocalRelease, 3);
    EXPECT_EQ(channel.pendingLength(), 3);
    controllerSends(kStatusB2);  // the read in flight completes after the injection

    EXPECT_EQ(pollBytes(3), withTail({2, code::ReleaseRequest, 0x08}, 0xEE));
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    pollBytes(0);
}

TEST_F(ChannelOnSwitch, InjectionNeverLosesAReportInOrderOfArrival) {
    controllerSends(kStatusB2);  // completed, not yet collected
    channel.inject(kLocalRelease, 3);
    const std::uint8_t second[3] = {2, code::ReleaseRequest, 0x04};
    channel.inject(second, 3);
    controllerSends(kInfo);

    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    EXPECT_EQ(pollBytes(3)[2], 0x08);
    EXPECT_EQ(pollBytes(3)[2], 0x04);
    EXPECT_EQ(pollBytes(8)[1], code::InfoReply);
    pollBytes(0);
}

TEST_F(ChannelOnSwitch, EqualReportWaitingIsNotQueuedAgain) {
    const std::uint8_t other[3] = {2, code::ReleaseRequest, 0x04};
    channel.inject(kLocalRelease, 3);
    channel.inject(other, 3);
    channel.inject(kLocalRelease, 3);
    EXPECT_EQ(pollBytes(3)[2], 0x08);
    EXPECT_EQ(pollBytes(3)[2], 0x04);
    pollBytes(0);

    channel.inject(kLocalRelease, 3);  // no longer waiting: queued as new
    EXPECT_EQ(pollBytes(3)[2], 0x08);
    EXPECT_TRUE(trace.lines().empty());
}

// Only different reports fill the queue, and only far more of them than a
// tick makes; the one that does not fit is lost, but not in silence.
TEST_F(ChannelOnSwitch, OverflowOfTheWaitingQueueIsTraced) {
    const auto waitingLimit = static_cast<int>(HidReportChannel::kMaxWaitingReports);
    for (int mask = 0; mask <= waitingLimit; ++mask) {
        const std::uint8_t report[3] = {2, code::ReleaseRequest, static_cast<std::uint8_t>(mask)};
        channel.inject(report, 3);
    }
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_EQ(trace.lines()[0].first, TraceChannel::Text);
    EXPECT_EQ(trace.lines()[0].second, "HidReportChannel: receive queue full, report dropped\r\n");
    for (int mask = 0; mask < waitingLimit; ++mask) EXPECT_EQ(pollBytes(3)[2], mask);
    pollBytes(0);
}

TEST_F(ChannelOnSwitch, InjectedReportsAreStillDeliveredAfterTheReadSideFailed) {
    sw.hostA.hid.unplug(sw.controllerOnA);  // the read in flight fails
    channel.inject(kLocalRelease, 3);
    pollBytes(3);
    pollBytes(0);
    EXPECT_EQ(channel.pendingLength(), 0);
}

TEST_F(ChannelOnSwitch, FailedReadStaysFailedUntilCancelled) {
    sw.hostA.hid.failReads(true);
    channel.cancelPending();
    pollBytes(0);  // arms a read that fails at once
    controllerSends(kStatusB2);
    pollBytes(0);
    sw.hostA.hid.failReads(false);
    pollBytes(0);  // nothing but a cancel re-arms a failed read side

    channel.cancelPending();
    pollBytes(0);  // arms; the report the driver buffered completes it
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
}

struct PacingCase {
    Request request;
    std::uint32_t pacingMs;
};

void PrintTo(const PacingCase& c, std::ostream* os) { *os << reportCodeName(c.request.bytes[1]); }

class SendPacing : public ChannelOnSwitch, public ::testing::WithParamInterface<PacingCase> {};

TEST_P(SendPacing, ReturnsAfterTheWriteCompletedAndThePacingPassed) {
    const PacingCase& c = GetParam();
    int result = -1;
    const std::uint64_t spent = elapsed([&] { result = sendRequest(channel, c.request); });
    EXPECT_EQ(result, 8);
    // The write completes 4 ms after it is issued and is seen at the next 10 ms step.
    EXPECT_GE(spent, 4 + c.pacingMs);
    EXPECT_LE(spent, 10 + c.pacingMs);
    ASSERT_EQ(sw.firmware.received().size(), 1u);
    EXPECT_EQ(sw.firmware.received()[0].bytes[1], c.request.bytes[1]);
}

INSTANTIATE_TEST_SUITE_P(Reports, SendPacing,
                         ::testing::Values(PacingCase{infoQuery(), 20}, PacingCase{statusQuery(), 20},
                                           PacingCase{readPortId(0x04), 20}, PacingCase{claimPorts(0x04), 600},
                                           PacingCase{signOff(), 600}, PacingCase{releaseGrant(0x0C), 600},
                                           PacingCase{releaseDone(0x0C), 600},
                                           PacingCase{storePortId(0x01, 0x04B4, 0x120D), 600}));

TEST_F(ChannelOnSwitch, WriteThatNeverCompletesTimesOutAfter2000ms) {
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::NeverComplete);
    for (int attempt = 0; attempt < 2; ++attempt) {
        int result = -1;
        const std::uint64_t spent = elapsed([&] { result = sendRequest(channel, statusQuery()); });
        EXPECT_EQ(result, 0);
        EXPECT_GT(spent, 2000u);
        EXPECT_LE(spent, 2010u);
    }
    // The first write is still in flight, so the second call wrote nothing.
    EXPECT_EQ(trace.reports(TraceChannel::ReportsWritten).size(), 1u);
}

TEST_F(ChannelOnSwitch, FailedWriteRefusesEverySendUntilCancelled) {
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::Fail);
    EXPECT_EQ(sendRequest(channel, statusQuery()), 0);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::Complete);
    int result = -1;
    EXPECT_EQ(elapsed([&] { result = sendRequest(channel, statusQuery()); }), 10u);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsWritten).size(), 1u);

    channel.cancelPending();
    EXPECT_EQ(sendRequest(channel, statusQuery()), 8);
}

// A send that finds an earlier timed-out write completing accounts for it,
// paced by the earlier report's code, and then still writes its own report.
struct AbsorbCase {
    SimHidDevices::WriteMode ownWrite;
    int expected;
};

void PrintTo(const AbsorbCase& c, std::ostream* os) { *os << "own write returns " << c.expected; }

class AbsorbedWrite : public ChannelOnSwitch, public ::testing::WithParamInterface<AbsorbCase> {};

TEST_P(AbsorbedWrite, TheEarlierCompletionIsNeverTakenForTheNewReport) {
    sw.hostA.hid.setWriteDelay(2500);
    EXPECT_EQ(sendRequest(channel, claimPorts(0x04)), 0);  // gives up at 2001 ms
    sw.hostA.hid.setWriteDelay(4);
    sw.hostA.hid.setWriteMode(GetParam().ownWrite);

    int result = -1;
    const std::uint64_t start = sw.clock.now();
    result = sendRequest(channel, statusQuery());
    EXPECT_EQ(result, GetParam().expected);

    ASSERT_GE(sw.firmware.received().size(), 1u);
    EXPECT_EQ(sw.firmware.received()[0].bytes[1], code::ClaimPorts);
    const auto written = trace.reports(TraceChannel::ReportsWritten);
    ASSERT_EQ(written.size(), 2u) << "the new report is written after the old one is accounted for";
    EXPECT_EQ(written[1][1], code::StatusQuery);
    if (GetParam().expected == 8) {
        ASSERT_EQ(sw.firmware.received().size(), 2u);
        EXPECT_EQ(sw.firmware.received()[1].bytes[1], code::StatusQuery);
        // The earlier write lands at 2500 ms and is paced 600 ms as a ClaimPorts.
        EXPECT_GE(sw.firmware.received()[1].time, 2500u + 600u);
    } else {
        EXPECT_GT(sw.clock.now() - start, 600u + 2000u) << "own write gets its own 2000 ms";
    }
}

INSTANTIATE_TEST_SUITE_P(OwnWrite, AbsorbedWrite,
                         ::testing::Values(AbsorbCase{SimHidDevices::WriteMode::Complete, 8},
                                           AbsorbCase{SimHidDevices::WriteMode::NeverComplete, 0}));

TEST_F(ChannelOnSwitch, ShortReportCarriesTheBytesEarlierReportsLeft) {
    sendRequest(channel, storePortId(0x04, 0x04B4, 0x120D));
    sendRequest(channel, readPortId(0x04));
    sendRequest(channel, claimPorts(0x0C));
    const auto& received = sw.firmware.received();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(Bytes(received[0].bytes.begin(), received[0].bytes.begin() + 7),
              (Bytes{2, 0x5D, 0x04, 0xB4, 0x04, 0x0D, 0x12}));
    EXPECT_EQ(Bytes(received[1].bytes.begin(), received[1].bytes.end()),
              (Bytes{2, 0x60, 0x04, 0xB4, 0x04, 0x0D, 0x12, received[0].bytes[7]}));
    EXPECT_EQ(Bytes(received[2].bytes.begin(), received[2].bytes.end()),
              (Bytes{2, 0x55, 0x0C, 0xB4, 0x04, 0x0D, 0x12, received[0].bytes[7]}));
}

TEST_F(ChannelOnSwitch, CancelPendingTakes400msAndReopenCancelsFirst) {
    EXPECT_EQ(elapsed([&] { channel.cancelPending(); }), 400u);
    EXPECT_EQ(elapsed([&] { channel.open(sim::SimHidDevices::kControllerPath); }), 400u);
    EXPECT_EQ(sw.hostA.hid.handlesOpen(), 3) << "device and two events";
}

TEST_F(ChannelOnSwitch, ClosedChannelReturnsAtOnce) {
    channel.cancelPending();
    channel.close();
    EXPECT_EQ(sw.hostA.hid.handlesOpen(), 0);
    std::array<std::uint8_t, 8> buffer{};
    const std::uint64_t spent = elapsed([&] {
        EXPECT_EQ(channel.poll(buffer.data()), 0);
        EXPECT_EQ(channel.pendingLength(), 0);
        EXPECT_EQ(sendRequest(channel, claimPorts(0x04)), 0);
        channel.inject(kLocalRelease, 3);
        channel.cancelPending();
        EXPECT_EQ(channel.poll(buffer.data()), 0);
    });
    EXPECT_EQ(spent, 0u);
    EXPECT_TRUE(sw.firmware.received().empty());
}

TEST_F(ChannelOnSwitch, OversizedReportsAreRefused) {
    const std::uint8_t big[9] = {2, code::ClaimPorts, 0x04, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(channel.send(big, 9), 0);
    channel.inject(big, 9);
    EXPECT_EQ(channel.pendingLength(), 0);
    EXPECT_TRUE(sw.firmware.received().empty());
}

// Windows may finish a cancelled read or write some time after CancelIo and
// writes its record whenever it does, handle closed or not. Destruction
// waits that out before the records go.
TEST(HidReportChannelLifetime, DestructionReleasesEverythingAndOutwaitsCancelledIo) {
    sim::SimulatedSwitch sw;
    sw.hostA.hid.setCancelLatency(250);
    {
        RecordingTrace trace;
        HidReportChannel channel(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace);
        channel.setReportLength(8);
        ASSERT_EQ(channel.connectController(), 1);
        sw.hostA.hid.setWriteDelay(10000);
        sendRequest(channel, statusQuery());  // gives up, its write still in flight
        ASSERT_EQ(sw.hostA.hid.readsInFlight(), 1);
    }
    sw.clock.sleep(20000);
    EXPECT_TRUE(sw.hostA.allReleased());
    EXPECT_EQ(sw.hostA.hid.readsInFlight(), 0);
    EXPECT_EQ(sw.hostA.hid.completionsAfterClose(), 0) << "a completion reached the records of a closed channel";
}

// A driver that ends cancelled I/O 1.5 s after the cancel: destruction waits
// for that instead of freeing records and buffers the driver will write.
TEST(HidReportChannelLifetime, DestructionOutwaitsADriverSlowToEndCancelledIo) {
    sim::SimulatedSwitch sw;
    sw.hostA.hid.setCancelLatency(1500);
    RecordingTrace trace;
    auto channel = std::make_unique<HidReportChannel>(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace);
    channel->setReportLength(8);
    ASSERT_EQ(channel->connectController(), 1);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::NeverComplete);
    sendRequest(*channel, statusQuery());  // gives up, its write still in flight

    const std::uint64_t start = sw.clock.now();
    channel.reset();
    EXPECT_GE(sw.clock.now() - start, 1500u);
    EXPECT_LE(sw.clock.now() - start, 1510u);
    EXPECT_EQ(sw.hostA.hid.readsInFlight(), 0);
    EXPECT_TRUE(sw.hostA.allReleased());
    sw.clock.sleep(5000);  // whatever the driver still had to write would land now
}

// A driver slower than the channel's 400 ms cancel completes the cancelled
// read after the close, into the closed handle's read record. Opened again,
// the channel starts afresh: it neither delivers that completion nor takes its
// status for a failure of its new read.
TEST_F(ChannelOnSwitch, ReadCancelledLateIsNeverTakenAfterReopening) {
    sw.hostA.hid.setCancelLatency(1000);
    channel.cancelPending();
    channel.close();
    sw.clock.sleep(1000);
    ASSERT_EQ(sw.hostA.hid.completionsAfterClose(), 1);
    pollBytes(0);

    ASSERT_EQ(channel.connectController(), 1);
    pollBytes(0);
    controllerSends(kStatusB2);
    EXPECT_EQ(pollBytes(8), Bytes(kStatusB2.begin(), kStatusB2.end()));
    EXPECT_EQ(trace.reports(TraceChannel::ReportsDelivered).size(), 1u);
}

// Suspend and resume at once, with a driver that ends the old handle's
// cancelled read 1.5 s after the cancel, cancelled or (having taken a report
// the controller sent meanwhile) complete. The reopened channel reads again at
// once, and the old read's end reaches nothing it uses.
class ReadEndingLate : public ChannelOnSwitch, public ::testing::WithParamInterface<SimHidDevices::LateCancel> {};

TEST_P(ReadEndingLate, NeverReachesTheReopenedChannel) {
    sw.hostA.hid.setCancelLatency(1500, GetParam());
    ASSERT_EQ(sendRequest(channel, signOff()), 8);
    sw.firmware.sendRaw(Host::A, kInfo, 50);  // reaches the read being cancelled
    channel.cancelPending();
    channel.close();
    ASSERT_EQ(channel.connectController(), 1);

    controllerSends(kStatusB2);
    EXPECT_EQ(pollBytes(8), Bytes(kStatusB2.begin(), kStatusB2.end()));
    sw.clock.sleep(1500);
    ASSERT_EQ(sw.hostA.hid.readsInFlight(), 1) << "the old read has ended; the new one waits";
    pollBytes(0);
    EXPECT_FALSE(channel.readSideFailed());
    EXPECT_EQ(sw.hostA.hid.handlesOpen(), 3) << "the old handle's records go once its read has ended";

    controllerSends(kStatusB2);
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsDelivered).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Ends, ReadEndingLate,
                         ::testing::Values(SimHidDevices::LateCancel::Cancelled,
                                           SimHidDevices::LateCancel::TakesReport),
                         [](const ::testing::TestParamInfo<SimHidDevices::LateCancel>& c) {
                             return c.param == SimHidDevices::LateCancel::Cancelled ? "Cancelled" : "TakesReport";
                         });

// Cancelled without a close, the read side stays quiet until the driver has
// ended the cancelled read, then reads into the same record again.
TEST_F(ChannelOnSwitch, ReadCancelledLateIsOutwaitedOnTheSameHandle) {
    sw.hostA.hid.setCancelLatency(1500);
    channel.cancelPending();
    controllerSends(kStatusB2);  // waits in the driver's buffer
    pollBytes(0);                // no second read beside the cancelled one
    sw.clock.sleep(1500);
    EXPECT_FALSE(channel.readSideFailed());
    pollBytes(0);  // arms; the buffered report completes it
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
}

// A write the controller never took, cancelled, ends 1.5 s later. No send
// takes that end for its own write's completion or failure. On the same handle
// the next send waits for it like a write in flight; after a reopen it need not.
struct LateWriteCase {
    const char* name;
    bool reopen;
    std::uint64_t outwaitedMs;
};

void PrintTo(const LateWriteCase& c, std::ostream* os) { *os << c.name; }

class WriteEndingLate : public ChannelOnSwitch, public ::testing::WithParamInterface<LateWriteCase> {};

TEST_P(WriteEndingLate, IsNeverTakenForALaterSend) {
    sw.hostA.hid.setCancelLatency(1500);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::NeverComplete);
    EXPECT_EQ(sendRequest(channel, signOff()), 0);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::Complete);
    channel.cancelPending();
    if (GetParam().reopen) {
        channel.close();
        ASSERT_EQ(channel.connectController(), 1);
    }

    int result = -1;
    const std::uint64_t spent = elapsed([&] { result = sendRequest(channel, statusQuery()); });
    // Its own write takes 4 ms, seen at the next 10 ms step, then 20 ms pacing.
    EXPECT_GE(spent, GetParam().outwaitedMs + 4 + 20);
    EXPECT_LE(spent, GetParam().outwaitedMs + 10 + 20);
    EXPECT_EQ(result, 8);
    sw.clock.sleep(1500);
    EXPECT_EQ(sendRequest(channel, claimPorts(0x04)), 8);

    const auto& received = sw.firmware.received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].bytes[1], code::StatusQuery);
    EXPECT_EQ(received[1].bytes[1], code::ClaimPorts);
}

INSTANTIATE_TEST_SUITE_P(Sends, WriteEndingLate,
                         ::testing::Values(LateWriteCase{"AfterReopening", true, 0},
                                           LateWriteCase{"OnTheSameHandle", false, 1500 - 400}));

// A write refused before the driver took it never ends, though its record
// keeps the pending code: cancelling forgets it at once, and its records go
// with the close.
TEST_F(ChannelOnSwitch, WriteRefusedAtOnceIsForgottenByCancelling) {
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::FailAtOnce);
    EXPECT_EQ(sendRequest(channel, statusQuery()), 0);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::Complete);
    channel.cancelPending();
    EXPECT_EQ(sendRequest(channel, statusQuery()), 8);
    channel.close();
    EXPECT_EQ(sw.hostA.hid.handlesOpen(), 0);
}

struct LengthCase {
    std::uint32_t length;
    int taken;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.length << (c.taken ? " taken" : " refused"); }

class ReportLength : public ::testing::TestWithParam<LengthCase> {};

// A report is at least its number and its code: send reads the code to pace.
TEST_P(ReportLength, OnlyLengthsThatHoldAReportAreTaken) {
    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    HidReportChannel channel(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace);
    const LengthCase& c = GetParam();
    EXPECT_EQ(channel.setReportLength(c.length), c.taken);
    EXPECT_EQ(channel.getReportLength(), c.taken ? c.length : 0u);
    ASSERT_EQ(channel.connectController(), 1);

    const std::uint8_t numberOnly[1] = {2};
    EXPECT_EQ(channel.send(numberOnly, 1), c.taken ? static_cast<int>(c.length) : 0);
    EXPECT_EQ(sw.firmware.received().size(), c.taken ? 1u : 0u);

    EXPECT_EQ(channel.setReportLength(8), 0) << "never under an open device";
    EXPECT_EQ(channel.getReportLength(), c.taken ? c.length : 0u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ReportLength,
                         ::testing::Values(LengthCase{0, 0}, LengthCase{1, 0}, LengthCase{2, 1}, LengthCase{8, 1},
                                           LengthCase{64, 1}, LengthCase{65, 0}));

TEST(HidReportChannelTime, SendLimitHoldsAcrossTheTickCounterWrap) {
    sim::SimulatedSwitch sw(0xFFFFFF00u);
    RecordingTrace trace;
    HidReportChannel channel(sw.hostA.interfaces, sw.hostA.hid, sw.clock, trace);
    channel.setReportLength(8);
    ASSERT_EQ(channel.connectController(), 1);
    sw.hostA.hid.setWriteMode(SimHidDevices::WriteMode::NeverComplete);
    const std::uint64_t start = sw.clock.now();
    EXPECT_EQ(sendRequest(channel, statusQuery()), 0);
    EXPECT_GT(sw.clock.now() - start, 2000u);
    EXPECT_LE(sw.clock.now() - start, 2010u);
}

}  // namespace
}  // namespace pivora::test

namespace pivora::test {
namespace {

// Windows refuses a read or write on a device that is gone before its driver
// takes it, and such a record never ends: the channel counts it as failed,
// or the read side would look busy for good and the tick never reconnect.
TEST_F(ChannelOnSwitch, OperationRefusedAtOnceCountsAsFailed) {
    controllerSends({2, 0x5C, 0x04, 0, 0, 0, 0, 0});
    sw.hostA.hid.unplug(sw.controllerOnA);
    EXPECT_FALSE(channel.readSideFailed());
    pollBytes(8);  // delivers the report and arms the next read, which is refused
    EXPECT_TRUE(channel.readSideFailed());
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(sendRequest(channel, statusQuery()), 0); }), 0u) << "no waiting on a write that never ends";
}

}  // namespace
}  // namespace pivora::test
