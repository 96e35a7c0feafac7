#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "controller/hid_report_channel.h"
#include "recording_trace.h"
#include "sim/sim_computer.h"
#include "sim/virtual_clock.h"

namespace pivora::test {
namespace {

using sim::SimHidDevices;

std::string hidPath(int n, std::size_t length = 0) {
    std::string path = "\\\\?\\hid#vid_1234&pid_" + std::to_string(1000 + n) + "#";
    if (path.size() < length) path.append(length - path.size(), 'x');
    return path;
}

// A computer's HID devices without a switch, and a channel listing them.
class DeviceListing : public ::testing::Test {
protected:
    DeviceListing() : pc(clock, nullptr, sim::Host::A), hid(pc.hid), channel(pc.interfaces, hid, clock, trace) {
        channel.setReportLength(8);
    }

    void TearDown() override {
        EXPECT_EQ(hid.handlesOpen(), openAfterListing) << "every handle released";
        EXPECT_EQ(pc.interfaces.setsOpen(), 0) << "every set released";
        EXPECT_EQ(hid.badReleases(), 0);
        EXPECT_EQ(pc.interfaces.badReleases(), 0);
    }

    void addDevices(int count) {
        for (int n = 0; n < count; ++n) hid.addDevice(hidPath(n), 0x1234, static_cast<std::uint16_t>(n));
    }

    sim::VirtualClock clock;
    sim::SimComputer pc;
    SimHidDevices& hid;
    RecordingTrace trace;
    HidReportChannel channel;
    int openAfterListing = 0;
};

TEST_F(DeviceListing, ListsEveryDeviceWithItsPathAndIds) {
    addDevices(3);
    ASSERT_EQ(channel.enumerateDevices(), 3);
    char path[256];
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    ASSERT_EQ(channel.getDevice(2, path, &vendorId, &productId), 1);
    EXPECT_EQ(std::string(path), hidPath(2));
    EXPECT_EQ(vendorId, 0x1234);
    EXPECT_EQ(productId, 2);
}

TEST_F(DeviceListing, IndexPastTheListGivesZeros) {
    addDevices(2);
    channel.enumerateDevices();
    std::array<char, 256> path;
    path.fill('z');
    std::uint16_t vendorId = 0xFFFF;
    std::uint16_t productId = 0xFFFF;
    EXPECT_EQ(channel.getDevice(2, path.data(), &vendorId, &productId), 0);
    EXPECT_EQ(path, (std::array<char, 256>{}));
    EXPECT_EQ(vendorId, 0);
    EXPECT_EQ(productId, 0);
    EXPECT_EQ(channel.getDevice(-1, nullptr, nullptr, nullptr), 0);
}

TEST_F(DeviceListing, ListsAtMost32ButWalksThemAll) {
    addDevices(40);
    hid.setFault(39, SimHidDevices::Fault::AttributesFail);  // seen only if the walk goes past 32
    EXPECT_EQ(channel.enumerateDevices(), 32);
    std::uint16_t productId = 0;
    channel.getDevice(31, nullptr, nullptr, &productId);
    EXPECT_EQ(productId, 31);
    EXPECT_EQ(hid.acquisitions(), 40) << "every device opened once";
}

struct WalkCase {
    const char* name;
    SimHidDevices::Fault fault;  // given to device 2 of 5
    int listed;
    int thirdListedProduct;  // product ID of the device listed third, or -1
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class DeviceWalk : public DeviceListing, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(DeviceWalk, FaultyDeviceDecidesWhereTheWalkGoes) {
    addDevices(5);
    hid.setFault(2, GetParam().fault);
    EXPECT_EQ(channel.enumerateDevices(), GetParam().listed);
    std::uint16_t productId = 0;
    const int found = channel.getDevice(2, nullptr, nullptr, &productId);
    if (GetParam().thirdListedProduct >= 0) {
        EXPECT_EQ(found, 1);
        EXPECT_EQ(productId, GetParam().thirdListedProduct);
    } else {
        EXPECT_EQ(found, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DeviceWalk,
    ::testing::Values(WalkCase{"OpenFailsSkipsTheDevice", SimHidDevices::Fault::OpenFails, 4, 3},
                      WalkCase{"AttributeReadEndsTheWalkWithTheDeviceListed", SimHidDevices::Fault::AttributesFail, 3, 0},
                      WalkCase{"DetailReadEndsTheWalk", SimHidDevices::Fault::DetailFails, 2, -1}),
    [](const ::testing::TestParamInfo<WalkCase>& c) { return std::string(c.param.name); });

TEST_F(DeviceListing, PathLongerThan255CharactersIsNotListed) {
    hid.addDevice(hidPath(0, 255), 0x1234, 0);
    hid.addDevice(hidPath(1, 256), 0x1234, 1);
    hid.addDevice(hidPath(2, 5000), 0x1234, 2);
    hid.addDevice(hidPath(3), 0x1234, 3);
    ASSERT_EQ(channel.enumerateDevices(), 2);
    char path[256];
    channel.getDevice(0, path, nullptr, nullptr);
    EXPECT_EQ(std::strlen(path), 255u);
    std::uint16_t productId = 0;
    channel.getDevice(1, nullptr, nullptr, &productId);
    EXPECT_EQ(productId, 3);
}

TEST_F(DeviceListing, NoDeviceSetListsNothing) {
    addDevices(2);
    pc.interfaces.failSets(true);
    EXPECT_EQ(channel.enumerateDevices(), 0);
    EXPECT_EQ(channel.connectController(), 0);
}

TEST_F(DeviceListing, EveryControllerIsOpenedAndTheLastStaysOpen) {
    addDevices(2);
    const std::string first = hidPath(10);
    const std::string second = hidPath(11);
    hid.addDevice(first, 0x04B4, 0x120D);
    hid.addDevice(hidPath(12), 0x04B4, 0x1200);
    hid.addDevice(second, 0x04B4, 0x120D);

    const std::uint64_t start = clock.now();
    EXPECT_EQ(channel.connectController(), 1);
    EXPECT_EQ(hid.overlappedOpens(), (std::vector<std::string>{first, second}));
    EXPECT_EQ(clock.now() - start, 400u) << "the second open cancels the first";
    EXPECT_TRUE(channel.isOpen());
    openAfterListing = 3;  // the open controller and its two events
}

// Listed but not opened is not connected: the tick must try again rather
// than wait, deaf, for an unrelated device change.
TEST_F(DeviceListing, ControllerThatCannotBeOpenedIsNotConnected) {
    const int controller = hid.addDevice(hidPath(0), 0x04B4, 0x120D);
    hid.setFault(controller, SimHidDevices::Fault::OverlappedOpenFails);
    EXPECT_EQ(channel.connectController(), 0);
    EXPECT_FALSE(channel.isOpen());
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(channel.poll(buffer.data()), 0);

    hid.setFault(controller, SimHidDevices::Fault::None);
    EXPECT_EQ(channel.connectController(), 1) << "the next try opens it";
    EXPECT_TRUE(channel.isOpen());
    openAfterListing = 3;  // the open controller and its two events
}

TEST_F(DeviceListing, LastControllerFailingToOpenLeavesNoneConnected) {
    hid.addDevice(hidPath(0), 0x04B4, 0x120D);
    const int second = hid.addDevice(hidPath(1), 0x04B4, 0x120D);
    hid.setFault(second, SimHidDevices::Fault::OverlappedOpenFails);
    EXPECT_EQ(channel.connectController(), 0) << "opening the second closed the first";
    EXPECT_FALSE(channel.isOpen());
    openAfterListing = 2;  // the failed open's two events, released with the channel
}

}  // namespace
}  // namespace pivora::test
