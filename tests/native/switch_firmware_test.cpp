#include <gtest/gtest.h>

#include <vector>

#include "controller/report_catalogue.h"
#include "sim/simulated_switch.h"
#include "sim/switch_firmware.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::WireReport;

// The firmware alone: what it sends each host, and when.
class Firmware : public ::testing::Test {
protected:
    Firmware() : firmware(clock) {
        firmware.connectOutlet([this](Host to, const WireReport& report) { sent.push_back({to, report}); });
    }

    void write(Host from, std::initializer_list<std::uint8_t> bytes) {
        const std::vector<std::uint8_t> report(bytes);
        firmware.receive(from, report.data(), report.size());
    }

    struct Sent {
        Host to;
        WireReport report;
    };

    sim::VirtualClock clock;
    sim::SwitchFirmware firmware;
    std::vector<Sent> sent;
};

TEST_F(Firmware, AnswersQueriesAfterItsReplyDelay) {
    firmware.setFirmwareVersion(1, 2, 7);
    firmware.setRawMask(0x04);
    firmware.setPortId(3, {0x046D, 0xC31C});
    write(Host::B, {2, code::InfoQuery});
    write(Host::A, {2, code::StatusQuery});
    write(Host::B, {2, code::ReadPortId, 0x08});
    EXPECT_TRUE(sent.empty());
    clock.sleep(5);

    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].to, Host::B);
    EXPECT_EQ(sent[0].report, (WireReport{2, 0x52, 1, 2, 7, 1, 0, 0}));
    EXPECT_EQ(sent[1].to, Host::A);
    EXPECT_EQ(sent[1].report, (WireReport{2, 0x5C, 0x04, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent[2].report, (WireReport{2, 0x61, 0x08, 0x6D, 0x04, 0x1C, 0xC3, 0}));
}

TEST_F(Firmware, StoresPortIdsPerSlotBit) {
    write(Host::A, {2, code::StorePortId, 0x10, 0xB4, 0x04, 0x0D, 0x12});
    write(Host::A, {2, code::StorePortId, 0x03, 0x11, 0x11, 0x11, 0x11});  // not one slot bit: ignored
    EXPECT_EQ(firmware.portId(4).vendorId, 0x04B4);
    EXPECT_EQ(firmware.portId(4).productId, 0x120D);
    EXPECT_EQ(firmware.portId(0).vendorId, 0);
    EXPECT_EQ(firmware.portId(1).vendorId, 0);
}

TEST_F(Firmware, RelaysAClaimAndSwitchesThePortsReleased) {
    firmware.setRawMask(0x00);  // every port on A
    write(Host::B, {2, code::ClaimPorts, 0x0C});
    clock.sleep(5);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, Host::A);
    EXPECT_EQ(sent[0].report[1], code::ReleaseRequest);
    EXPECT_EQ(sent[0].report[2], 0x0C);

    write(Host::A, {2, code::ReleaseGrant, 0x0C});
    write(Host::A, {2, code::ReleaseDone, 0x04});  // port 3 could not be freed
    EXPECT_EQ(firmware.lastGrant(Host::A), 0x0C);
    EXPECT_EQ(firmware.rawMask(), 0x04);

    write(Host::B, {2, code::ReleaseDone, 0x0C});  // B gives back only what it has
    EXPECT_EQ(firmware.rawMask(), 0x00);
}

TEST_F(Firmware, PlayedPeerGrantsAndReleasesOnItsOwn) {
    firmware.setRawMask(0x0F);  // every port on B
    firmware.playPeer(Host::B, 700);
    write(Host::A, {2, code::ClaimPorts, 0x04});
    clock.sleep(699);
    EXPECT_EQ(firmware.lastGrant(Host::B), 0);
    clock.sleep(1);
    EXPECT_EQ(firmware.lastGrant(Host::B), 0x04);
    EXPECT_EQ(firmware.rawMask(), 0x0F);
    clock.sleep(2000);
    EXPECT_EQ(firmware.rawMask(), 0x0B);
    EXPECT_TRUE(sent.empty()) << "nothing went to a real host";
}

TEST_F(Firmware, WithheldRepliesNeverCome) {
    firmware.withholdReplies(code::StatusQuery, 1);
    write(Host::A, {2, code::StatusQuery});
    write(Host::A, {2, code::StatusQuery});
    firmware.sendPortIdCleared(Host::B, 0x14);
    write(Host::A, {2, code::SignOff});
    clock.sleep(100);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].report, (WireReport{2, 0x5F, 0x14, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent[1].report[1], code::StatusReply);
    EXPECT_TRUE(firmware.signedOff(Host::A));
}

}  // namespace
}  // namespace pivora::test

namespace pivora::test {
namespace {

// A switched port takes its device from one computer's tree at once and
// into the other's after the hub has enumerated it; each is told.
TEST(SwitchedPort, DeviceLeavesAtOnceAndArrivesAfterEnumeration) {
    sim::SimulatedSwitch sw;
    const int stick = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    std::vector<std::pair<Host, std::uint64_t>> changes;
    for (Host host : {Host::A, Host::B})
        sw.computer(host).usb.onTreeChanged = [&changes, &sw, host] { changes.push_back({host, sw.clock.now()}); };
    sw.clock.sleep(1000);

    const std::uint8_t done[3] = {2, code::ReleaseDone, 0x04};
    sw.firmware.receive(Host::A, done, sizeof done);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::A, 2), -1);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::B, 2), -1) << "still being enumerated";
    sw.clock.sleep(sim::SimulatedSwitch::kEnumerationDelayMs);
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::B, 2), stick);
    EXPECT_EQ(changes, (std::vector<std::pair<Host, std::uint64_t>>{{Host::A, 1000}, {Host::B, 1200}}));
}

TEST(SwitchedPort, EmptyPortMovesWithoutChangingAnyTree) {
    sim::SimulatedSwitch sw;
    int changes = 0;
    for (Host host : {Host::A, Host::B}) sw.computer(host).usb.onTreeChanged = [&changes] { ++changes; };
    const std::uint8_t done[3] = {2, code::ReleaseDone, 0x08};
    sw.firmware.receive(Host::A, done, sizeof done);
    sw.clock.sleep(1000);
    EXPECT_EQ(sw.firmware.rawMask(), 0x08);
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace pivora::test
