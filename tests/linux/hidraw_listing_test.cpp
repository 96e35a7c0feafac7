#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "controller/report_catalogue.h"
#include "hidraw_fixture.h"

namespace pivora::test {
namespace {

struct Listed {
    std::string path;
    std::uint16_t vendorId;
    std::uint16_t productId;

    bool operator==(const Listed& other) const {
        return path == other.path && vendorId == other.vendorId && productId == other.productId;
    }
};

void PrintTo(const Listed& d, std::ostream* os) {
    *os << d.path << ' ' << std::hex << d.vendorId << ':' << d.productId;
}

class HidrawListing : public HidrawChannelTest {
protected:
    std::vector<Listed> listing() {
        const int count = channel.enumerateDevices();
        std::vector<Listed> devices;
        for (int index = 0; index < count; ++index) {
            std::array<char, ReportChannel::kPathSize> path{};
            Listed device{};
            EXPECT_EQ(channel.getDevice(index, path.data(), &device.vendorId, &device.productId), 1);
            device.path = path.data();
            devices.push_back(device);
        }
        std::array<char, ReportChannel::kPathSize> path{};
        path.fill('x');
        std::uint16_t vendorId = 1;
        EXPECT_EQ(channel.getDevice(count, path.data(), &vendorId, nullptr), 0);
        EXPECT_EQ(path[0], '\0');
        EXPECT_EQ(vendorId, 0);
        return devices;
    }
};

struct UeventCase {
    const char* name;
    std::string uevent;
    bool listed;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

void PrintTo(const UeventCase& c, std::ostream* os) { *os << c.name; }

class UeventLines : public HidrawListing, public ::testing::WithParamInterface<UeventCase> {};

// No node is opened: the ID is the HID device's uevent line, and a line that
// is not what the kernel writes names no device.
TEST_P(UeventLines, GiveTheIdOrLeaveTheNodeOut) {
    const UeventCase& c = GetParam();
    tree.addNode("hidraw0", c.uevent);
    std::vector<Listed> expected;
    if (c.listed) expected.push_back({tree.devPath("hidraw0"), c.vendorId, c.productId});
    EXPECT_EQ(listing(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UeventLines,
    ::testing::Values(
        UeventCase{"Controller", kControllerUevent, true, 0x04B4, 0x120D},
        UeventCase{"LowerCaseAndNoFinalNewline", "HID_ID=0003:0000046d:0000c31c", true, 0x046D, 0xC31C},
        UeventCase{"FewerDigits", "HID_ID=3:4B4:120D\n", true, 0x04B4, 0x120D},
        UeventCase{"Missing", "DRIVER=hid-generic\nHID_NAME=x\n", false, 0, 0},
        UeventCase{"Empty", "", false, 0, 0},
        UeventCase{"Short", "HID_ID=0003:000004B4\n", false, 0, 0},
        UeventCase{"NoProduct", "HID_ID=0003:000004B4:\n", false, 0, 0},
        UeventCase{"NonHex", "HID_ID=0003:000004G4:0000120D\n", false, 0, 0},
        UeventCase{"SpaceAfter", "HID_ID=0003:000004B4:0000120D \n", false, 0, 0},
        UeventCase{"OverLongField", "HID_ID=0003:0000000004B4:0000120D\n", false, 0, 0},
        UeventCase{"IdOver16Bits", "HID_ID=0003:000104B4:0000120D\n", false, 0, 0},
        UeventCase{"KeyInsideALine", "XHID_ID=0003:000004B4:0000120D\n", false, 0, 0},
        UeventCase{"FileOver4KiB", std::string(4090, '#') + "\nHID_ID=0003:000004B4:0000120D\n", false, 0, 0}));

// Listed in the order of the node numbers, whatever the directory's order;
// entries that are no hidraw node, and nodes whose uevent cannot be read
// (missing, a directory, behind a link loop), are left out.
TEST_F(HidrawListing, NodesComeInNumberOrderAndUnreadableOnesAreLeftOut) {
    tree.addNode("hidraw10", kKeyboardUevent);
    tree.addNode("hidraw2", kControllerUevent);
    tree.addNode("hidraw0", kKeyboardUevent);
    tree.addNodeWithoutUevent("hidraw3");
    fs::create_directory(tree.addNodeWithoutUevent("hidraw4") / "uevent");
    tree.addLoopingNode("hidraw5");
    fs::create_directory(tree.sys() + "/class/hidraw/hidrawx");
    fs::create_directory(tree.sys() + "/class/hidraw/hidraw");

    EXPECT_EQ(listing(), (std::vector<Listed>{{tree.devPath("hidraw0"), 0x046D, 0xC31C},
                                              {tree.devPath("hidraw2"), 0x04B4, 0x120D},
                                              {tree.devPath("hidraw10"), 0x046D, 0xC31C}}));
}

TEST_F(HidrawListing, ListsNoMoreThanItHasRoomFor) {
    for (int node = 0; node <= ReportChannel::kMaxDevices; ++node)
        tree.addNode("hidraw" + std::to_string(node), kKeyboardUevent);
    const std::vector<Listed> devices = listing();
    ASSERT_EQ(devices.size(), static_cast<std::size_t>(ReportChannel::kMaxDevices));
    EXPECT_EQ(devices.back().path, tree.devPath("hidraw31"));
}

TEST_F(HidrawListing, NoSysfsClassMeansNothingListed) {
    fs::remove(tree.sys() + "/class/hidraw");
    EXPECT_TRUE(listing().empty());
}

// A node whose path would not fit kPathSize whole is left out: cut short,
// it would open another node.
TEST(HidrawListingPaths, APathTooLongForASlotIsLeftOut) {
    HidrawTree tree;
    tree.addNode("hidraw0", kControllerUevent);
    sim::VirtualClock clock;
    RecordingTrace trace;
    const auto listedWith = [&](const std::string& devRoot) {
        HidrawReportChannel channel(tree.sys(), devRoot, clock, trace);
        return channel.enumerateDevices();
    };
    const std::string fits(ReportChannel::kPathSize - 1 - std::string("/hidraw0").size(), 'd');
    EXPECT_EQ(listedWith(fits), 1);
    EXPECT_EQ(listedWith(fits + "d"), 0);
}

struct ConnectCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> nodes;  // name, uevent
    const char* opened;                                       // null: none
};

void PrintTo(const ConnectCase& c, std::ostream* os) { *os << c.name; }

class Connecting : public HidrawChannelTest, public ::testing::WithParamInterface<ConnectCase> {};

// The control's connect step over the listing: of two controllers, the last
// listed stays open and the one opened before it is closed again; any other
// device is never opened.
TEST_P(Connecting, OpensTheLastControllerListed) {
    for (const auto& [node, uevent] : GetParam().nodes) {
        tree.addNode(node, uevent);
        nodes.plug(tree.devPath(node));
    }
    const char* opened = GetParam().opened;
    EXPECT_EQ(channel.connectController(), opened != nullptr ? 1 : 0);
    EXPECT_EQ(channel.isOpen(), opened != nullptr);

    for (const auto& [node, uevent] : GetParam().nodes) {
        const bool isOpened = opened != nullptr && std::string(node) == opened;
        const bool isController = std::string(uevent) == kControllerUevent;
        std::array<std::uint8_t, 8> bytes{};
        const ssize_t got = ::recv(nodes.controllerEnd(tree.devPath(node)), bytes.data(), bytes.size(), MSG_DONTWAIT);
        if (isOpened || !isController)
            EXPECT_EQ(got, -1) << node << " is open, or was never opened";
        else
            EXPECT_EQ(got, 0) << node << " was opened and closed again";
    }
    if (opened == nullptr) return;
    wired = tree.devPath(opened);
    ASSERT_EQ(sendRequest(channel, statusQuery()), 8);
    ASSERT_EQ(firmware.received().size(), 1u);
    EXPECT_EQ(firmware.received()[0].bytes[1], code::StatusQuery);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, Connecting,
    ::testing::Values(ConnectCase{"Absent", {}, nullptr},
                      ConnectCase{"OtherDevicesOnly", {{"hidraw0", kKeyboardUevent}}, nullptr},
                      ConnectCase{"One", {{"hidraw0", kKeyboardUevent}, {"hidraw1", kControllerUevent}}, "hidraw1"},
                      ConnectCase{"Two",
                                  {{"hidraw0", kControllerUevent},
                                   {"hidraw1", kKeyboardUevent},
                                   {"hidraw3", kControllerUevent}},
                                  "hidraw3"}),
    [](const ::testing::TestParamInfo<ConnectCase>& c) { return std::string(c.param.name); });

// A node this user may not open is listed all the same, and the refusal is
// kept for the program to name the udev rule; the trace says it once.
TEST_F(HidrawListing, PermissionDeniedIsRememberedAndTracedOnce) {
    // Root opens a file whatever its mode, so the refusal cannot be made
    // here; CI runs as root, a developer's build does not.
    if (::geteuid() == 0) GTEST_SKIP() << "root is never refused an open";
    tree.addNode("hidraw0", kControllerUevent);
    const std::string node = tree.devPath("hidraw0");
    HidrawTree::write(node, "");
    ASSERT_EQ(::chmod(node.c_str(), 0), 0);

    for (int tick = 0; tick < 3; ++tick) EXPECT_EQ(channel.connectController(), 0);
    EXPECT_EQ(listing().size(), 1u);
    EXPECT_TRUE(channel.permissionDenied());
    EXPECT_EQ(std::string(channel.permissionDeniedPath()), node);
    const std::string expected = "HidrawReportChannel: " + node + ": permission denied (install 70-pivora.rules)\r\n";
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_EQ(trace.lines()[0].second, expected);

    ASSERT_EQ(::chmod(node.c_str(), 0600), 0);  // the rule installed
    EXPECT_EQ(channel.connectController(), 1);
    EXPECT_FALSE(channel.permissionDenied());
    EXPECT_EQ(std::string(channel.permissionDeniedPath()), "");
}

}  // namespace
}  // namespace pivora::test
