#include <gtest/gtest.h>

#include <sys/socket.h>

#include <cstdint>

#include "controller/report_catalogue.h"
#include "hidraw_fixture.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::WireReport;

const WireReport kStatusB2{2, code::StatusReply, 0x04, 0, 0, 0, 0, 0};
const WireReport kInfo{2, code::InfoReply, 1, 2, 3, 0, 0, 0};
const std::uint8_t kLocalRelease[3] = {2, code::ReleaseRequest, 0x08};

// The controller on hidraw0, found and opened as the control does it.
class HidrawOnSwitch : public HidrawChannelTest {
protected:
    void SetUp() override {
        wired = tree.devPath("hidraw0");
        plugController("hidraw0");
        ASSERT_EQ(channel.connectController(), 1);
        EXPECT_EQ(nodes.lastFlags, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    }

    // What the controller's end holds, one report per read: -1 for nothing
    // there, 0 for the channel's end closed.
    ssize_t controllerReads() {
        std::array<std::uint8_t, 64> bytes{};
        return ::recv(nodes.controllerEnd(wired), bytes.data(), bytes.size(), MSG_DONTWAIT);
    }
};

struct RequestCase {
    Request request;
    std::uint32_t pacingMs;
    std::uint8_t replyCode;  // 0: none comes back to this host
};

void PrintTo(const RequestCase& c, std::ostream* os) { *os << reportCodeName(c.request.bytes[1]); }

class RequestToFirmware : public HidrawOnSwitch, public ::testing::WithParamInterface<RequestCase> {};

// The report goes out whole at once, the pacing its code calls for is slept,
// and the firmware's answer (5 ms later) waits for the next poll.
TEST_P(RequestToFirmware, IsWrittenWholePacedAndAnswered) {
    const RequestCase& c = GetParam();
    int result = -1;
    EXPECT_EQ(elapsed([&] { result = sendRequest(channel, c.request); }), c.pacingMs);
    EXPECT_EQ(result, 8);
    ASSERT_EQ(firmware.received().size(), 1u);
    const WireReport& got = firmware.received()[0].bytes;
    EXPECT_EQ(Bytes(got.begin(), got.begin() + c.request.length),
              Bytes(c.request.bytes.begin(), c.request.bytes.begin() + c.request.length));
    ASSERT_EQ(trace.reports(TraceChannel::ReportsWritten).size(), 1u);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsWritten)[0], Bytes(got.begin(), got.end()));

    if (c.replyCode == 0) {
        EXPECT_EQ(channel.pendingLength(), 0);
        return;
    }
    EXPECT_EQ(channel.pendingLength(), 8);
    const Bytes reply = pollBytes(8);
    EXPECT_EQ(reply[1], c.replyCode);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsDelivered), std::vector<Bytes>{reply});
    pollBytes(0);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, RequestToFirmware,
    ::testing::Values(RequestCase{infoQuery(), 20, code::InfoReply}, RequestCase{statusQuery(), 20, code::StatusReply},
                      RequestCase{readPortId(0x04), 20, code::PortIdReply}, RequestCase{claimPorts(0x04), 600, 0},
                      RequestCase{signOff(), 600, 0}, RequestCase{releaseGrant(0x0C), 600, 0},
                      RequestCase{releaseDone(0x0C), 600, 0},
                      RequestCase{storePortId(0x01, 0x04B4, 0x120D), 600, 0}));

// The firmware's real answers: its version and this host's index, then a
// claim carried out by the other computer and the ownership that follows.
TEST_F(HidrawOnSwitch, ClaimMovesThePortAndTheStatusSaysSo) {
    firmware.setRawMask(0x0C);
    firmware.playPeer(Host::B);

    ASSERT_EQ(sendRequest(channel, infoQuery()), 8);
    EXPECT_EQ(pollBytes(8), (Bytes{2, code::InfoReply, 1, 2, 3, 0, 0, 0}));
    ASSERT_EQ(sendRequest(channel, statusQuery()), 8);
    EXPECT_EQ(pollBytes(8)[2], 0x0C);

    ASSERT_EQ(sendRequest(channel, claimPorts(0x04)), 8);
    clock.sleep(700 + 1600);
    EXPECT_EQ(firmware.rawMask(), 0x08);
    ASSERT_EQ(sendRequest(channel, statusQuery()), 8);
    EXPECT_EQ(pollBytes(8)[2], 0x08);
    pollBytes(0);
}

// A shorter report carries the bytes the longer ones before it left.
TEST_F(HidrawOnSwitch, ShortRequestCarriesTheBytesEarlierReportsLeft) {
    sendRequest(channel, storePortId(0x04, 0x04B4, 0x120D));
    sendRequest(channel, claimPorts(0x0C));
    ASSERT_EQ(firmware.received().size(), 2u);
    const WireReport& claim = firmware.received()[1].bytes;
    EXPECT_EQ(Bytes(claim.begin(), claim.end()), (Bytes{2, 0x55, 0x0C, 0xB4, 0x04, 0x0D, 0x12, 0}));
}

TEST_F(HidrawOnSwitch, ReportsThatArrivedBetweenPollsComeOnePerPollInOrder) {
    EXPECT_EQ(channel.pendingLength(), 0);
    pollBytes(0);
    controllerSends(kStatusB2);
    controllerSends(kInfo);
    EXPECT_EQ(channel.pendingLength(), 8);
    EXPECT_EQ(pollBytes(8), Bytes(kStatusB2.begin(), kStatusB2.end()));
    EXPECT_EQ(pollBytes(8), Bytes(kInfo.begin(), kInfo.end()));
    pollBytes(0);
}

struct ReadCase {
    std::size_t sent;
    int delivered;
};

class ReportLengths : public HidrawOnSwitch, public ::testing::WithParamInterface<ReadCase> {};

// A short report is delivered as it came, the rest of the destination left
// alone; a long one is cut to the report length.
TEST_P(ReportLengths, AreDeliveredAsReadUpToTheReportLength) {
    const std::uint8_t sent[12] = {2, code::StatusReply, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    controllerSends(sent, GetParam().sent);
    const int delivered = GetParam().delivered;
    Bytes expected(sent, sent + delivered);
    expected.resize(8, 0xEE);
    EXPECT_EQ(pollBytes(delivered), expected);
    pollBytes(0);
}

INSTANTIATE_TEST_SUITE_P(Sent, ReportLengths,
                         ::testing::Values(ReadCase{3, 3}, ReadCase{8, 8}, ReadCase{12, 8}));

// What the node held before a report is injected stays ahead of it; what
// comes after, behind it; the same report injected twice waits once.
TEST_F(HidrawOnSwitch, InjectedReportsTakeTheirPlaceInOrderOfArrival) {
    controllerSends(kStatusB2);
    channel.inject(kLocalRelease, 3);
    channel.inject(kLocalRelease, 3);
    controllerSends(kInfo);

    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    EXPECT_EQ(pollBytes(3)[2], 0x08);
    EXPECT_EQ(pollBytes(8)[1], code::InfoReply);
    pollBytes(0);
    EXPECT_TRUE(trace.lines().empty());
}

TEST_F(HidrawOnSwitch, OverflowOfTheWaitingQueueIsTracedUnderThisChannelsName) {
    const auto waitingLimit = static_cast<int>(ReportChannel::kMaxWaitingReports);
    for (int mask = 0; mask <= waitingLimit; ++mask) {
        const std::uint8_t report[3] = {2, code::ReleaseRequest, static_cast<std::uint8_t>(mask)};
        channel.inject(report, 3);
    }
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_EQ(trace.lines()[0].second, "HidrawReportChannel: receive queue full, report dropped\r\n");
    for (int mask = 0; mask < waitingLimit; ++mask) EXPECT_EQ(pollBytes(3)[2], mask);
    pollBytes(0);
}

// Unplugged, the controller's end closes: what it sent before still comes,
// then the read side has failed and nothing more comes or goes, at once.
TEST_F(HidrawOnSwitch, UnplugFailsTheReadSideAfterTheLastReport) {
    controllerSends(kStatusB2);
    nodes.unplug(wired);
    EXPECT_FALSE(channel.readSideFailed());
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
    pollBytes(0);
    EXPECT_TRUE(channel.readSideFailed());

    channel.inject(kLocalRelease, 3);  // still delivered, as on Windows
    EXPECT_EQ(pollBytes(3)[2], 0x08);
    EXPECT_EQ(elapsed([&] {
                  EXPECT_EQ(sendRequest(channel, statusQuery()), 0);
                  pollBytes(0);
                  EXPECT_EQ(channel.pendingLength(), 0);
              }),
              0u);
    EXPECT_TRUE(channel.readSideFailed());
    EXPECT_TRUE(trace.reports(TraceChannel::ReportsWritten).empty());
}

// The controller takes no report while its end is full: the write is tried
// every 10 ms and given up 2000 ms after the send began.
TEST_F(HidrawOnSwitch, WriteThatCannotGoOutGivesUpAfter2000ms) {
    pumping = false;
    int written = 0;
    std::uint64_t spent = 0;
    for (int result = 8; result == 8 && written < 64;) {
        spent = elapsed([&] { result = sendRequest(channel, statusQuery()); });
        if (result == 8) ++written;
    }
    ASSERT_GT(written, 0);
    ASSERT_LT(written, 64) << "the controller's end never filled";
    EXPECT_EQ(spent, 2000u);
    EXPECT_EQ(trace.reports(TraceChannel::ReportsWritten).size(), static_cast<std::size_t>(written + 1));

    pumping = true;
    clock.sleep(1);  // the controller takes what waited
    EXPECT_EQ(firmware.received().size(), static_cast<std::size_t>(written));
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(sendRequest(channel, statusQuery()), 8); }), 20u);
}

// The control's timing is the Windows channel's: 400 ms, and what had been
// read or injected is forgotten; what the node still holds is not.
TEST_F(HidrawOnSwitch, CancelPendingTakes400msAndForgetsWhatWasTaken) {
    controllerSends(kStatusB2);
    ASSERT_EQ(channel.pendingLength(), 8);  // read from the node
    channel.inject(kLocalRelease, 3);
    controllerSends(kInfo);

    EXPECT_EQ(elapsed([&] { channel.cancelPending(); }), 400u);
    EXPECT_EQ(pollBytes(8)[1], code::InfoReply);
    pollBytes(0);
}

TEST_F(HidrawOnSwitch, ReopenCancelsFirstAndClosesTheNodeOpenBefore) {
    const int oldEnd = ::dup(nodes.controllerEnd(wired));
    nodes.plug(wired);  // unplugged and plugged in again, same node
    EXPECT_EQ(elapsed([&] { EXPECT_EQ(channel.open(wired.c_str()), 1); }), 400u);
    std::array<std::uint8_t, 8> bytes{};
    EXPECT_EQ(::recv(oldEnd, bytes.data(), bytes.size(), MSG_DONTWAIT), 0) << "the old node is closed";
    ::close(oldEnd);
    controllerSends(kStatusB2);
    EXPECT_EQ(pollBytes(8)[1], code::StatusReply);
}

TEST_F(HidrawOnSwitch, ClosedChannelClosesTheNodeAndReturnsAtOnce) {
    channel.close();
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(controllerReads(), 0) << "the node is closed";
    const std::uint64_t spent = elapsed([&] {
        pollBytes(0);
        EXPECT_EQ(channel.pendingLength(), 0);
        EXPECT_EQ(sendRequest(channel, claimPorts(0x04)), 0);
        channel.inject(kLocalRelease, 3);
        channel.cancelPending();
        pollBytes(0);
    });
    EXPECT_EQ(spent, 0u);
    EXPECT_TRUE(firmware.received().empty());
    EXPECT_EQ(channel.setReportLength(8), 1) << "taken again once nothing is open";
}

}  // namespace
}  // namespace pivora::test
