#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "client_connection.h"
#include "link/frame_writer.h"
#include "link_fixture.h"

namespace pivora::test {
namespace {

using link::FrameWriter;
using link::MessageType;
using Bytes = std::vector<std::uint8_t>;

// A printer listing into a buffer of the largest size: its response echoes
// the whole buffer, so each costs the client that long to read.
Bytes largeListing() {
    const Bytes list(link::kMaxBufferBytes, 0);
    FrameWriter frame(MessageType::EnumPrinters);
    frame.buffer(list.data(), static_cast<std::uint32_t>(list.size()));
    frame.u32(0);
    frame.u32(0);
    return frame.finish();
}

class SlowReader : public ::testing::Test {
protected:
    void send(const Bytes& bytes) { deliver(client, bytes); }

    sim::SimulatedSwitch simulated;
    switchsim::OrphanedIo orphans;
    switchsim::ClientConnection client{simulated, [](sim::Host) { return false; }, orphans};
};

TEST_F(SlowReader, AClientThatReadsWhatItIsSentIsNeverDropped) {
    send(helloFrame('B'));
    for (std::size_t sent = 0; sent <= 2 * switchsim::ClientConnection::kMaxQueuedBytes; sent += link::kMaxBufferBytes) {
        send(largeListing());
        client.sent(client.output().size());
    }
    EXPECT_FALSE(client.closing());
    EXPECT_EQ(client.host(), sim::Host::B);
}

TEST_F(SlowReader, AClientThatStopsReadingIsDroppedOnceItsQueueWouldOutgrowTheBound) {
    send(helloFrame('B'));
    while (!client.closing()) {
        ASSERT_LE(client.output().size(), switchsim::ClientConnection::kMaxQueuedBytes);
        send(largeListing());
    }
    EXPECT_LE(client.output().size(), switchsim::ClientConnection::kMaxQueuedBytes);
    EXPECT_GT(client.output().size() + largeListing().size(), switchsim::ClientConnection::kMaxQueuedBytes);
    EXPECT_EQ(client.host(), std::nullopt) << "the host is free for another client";
    const std::size_t queued = client.output().size();
    send(largeListing());
    EXPECT_EQ(client.output().size(), queued) << "nothing more is served or queued";
}

// Over real sockets: one client floods the simulator with requests and never
// reads an answer; the simulator goes on serving the other host and drops it.
TEST_F(LinkTest, AClientThatStopsReadingHoldsUpNoOneButItself) {
    std::unique_ptr<link::PosixTransport> flooder = link::PosixTransport::connectLoopback(server.port());
    ASSERT_TRUE(flooder);
    ASSERT_TRUE(flooder->send(helloFrame('B').data(), helloFrame('B').size()));
    const Bytes request = largeListing();
    // Far more than the socket buffers and the queue hold together.
    constexpr int kMostRequests = 8192;
    int sent = 0;
    while (sent < kMostRequests && flooder->send(request.data(), request.size())) ++sent;
    EXPECT_LT(sent, kMostRequests) << "the simulator dropped the client that stopped reading";

    EXPECT_TRUE(stateShows(R"("B":{"connected":false,"released":true)"));
    const OsHandle event = hostA->platform.hid.createEvent();
    EXPECT_NE(event, nullptr) << "host A is still served";
    EXPECT_EQ(hostA->platform.hid.closeHandle(event), 1);
}

}  // namespace
}  // namespace pivora::test
