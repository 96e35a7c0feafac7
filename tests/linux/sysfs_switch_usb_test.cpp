#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <functional>
#include <map>
#include <ostream>
#include <utility>

#include "platform/linux/sysfs_present_usb_devices.h"
#include "platform/linux/sysfs_switch_usb.h"
#include "sysfs_tree.h"

namespace pivora {
namespace {

using namespace testing::ids;
using testing::SysfsTree;
using testing::renderTwoPortSwitch;

// Names by ID from a table, standing for udev's database.
class TableNames : public UsbNameDatabase {
public:
    std::map<std::pair<std::uint16_t, std::uint16_t>, UsbIdNames> table;
    UsbIdNames lookup(std::uint16_t vendorId, std::uint16_t productId) override {
        const auto found = table.find({vendorId, productId});
        return found == table.end() ? UsbIdNames{} : found->second;
    }
};

class NoEjector : public StorageEjector {
public:
    RemovalResult eject(const std::vector<std::string>&) override { return RemovalResult::Failed; }
};

// What queryHubPort answers for one port.
struct Port {
    int found;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint32_t isHub;
    bool operator==(const Port& o) const {
        return found == o.found && vendorId == o.vendorId && productId == o.productId && isHub == o.isHub;
    }
};

std::ostream& operator<<(std::ostream& out, const Port& p) {
    return out << p.found << " " << std::hex << p.vendorId << ":" << p.productId << " hub=" << p.isHub;
}

class SysfsSwitchUsbTest : public ::testing::Test {
protected:
    SysfsTree tree;
    TableNames names;
    NoEjector ejector;
    DiagnosticTrace trace;
    SysfsSwitchUsb usb{tree.sysRoot(), tree.procRoot(), ejector, names, trace};

    std::string locate(std::uint16_t vendorId = kSwitchVendor, std::uint16_t productId = kSwitchProduct) {
        std::array<char, SwitchUsb::kHubRefSize> hub{};
        return usb.locateHub(vendorId, productId, hub.data()) == 1 ? std::string(hub.data()) : std::string("-");
    }

    Port query(const char* hub, int port) {
        // Set beforehand so that a miss shows it zeroes what it answers.
        Port answer{-1, 0xffff, 0xffff, 7};
        answer.found = usb.queryHubPort(hub, port, &answer.vendorId, &answer.productId, &answer.isHub);
        return answer;
    }

    std::string description(std::uint16_t vendorId, std::uint16_t productId, int* found = nullptr) {
        std::array<char, SwitchUsb::kDescriptionSize> text{};
        std::strcpy(text.data(), "(as it was)");
        const int result = usb.findPresentDevice(vendorId, productId, text.data());
        if (found != nullptr) *found = result;
        return text.data();
    }
};

TEST_F(SysfsSwitchUsbTest, TwoPortSwitchIsFoundAndItsPortsRead) {
    renderTwoPortSwitch(tree);
    ASSERT_EQ(locate(), "1-1");
    std::uint32_t count = 0;
    ASSERT_EQ(usb.getHubPortCount("1-1", &count), 1);
    EXPECT_EQ(count, 4u);

    const struct {
        int port;
        Port expected;
    } cases[] = {
        {0, {1, kControllerVendor, kControllerProduct, 0}},
        {1, {0, 0, 0, 0}},  // nothing plugged in
        {2, {1, kStickVendor, kStickProduct, 0}},
        {3, {1, kMouseVendor, kMouseProduct, 0}},
        {4, {0, 0, 0, 0}},  // past the hub's ports
        {-1, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(query("1-1", c.port), c.expected) << "port " << c.port;
    // The root hub's ports read the same way: the switch is a hub there.
    EXPECT_EQ(query("usb1", 0), (Port{1, kSwitchVendor, kSwitchProduct, 1}));
}

// A four-port switch behind another hub on a second bus is found; the walk
// goes through hubs whatever their kind (class or port count) and takes the
// first switch in its order: buses by number, ports in order.
TEST_F(SysfsSwitchUsbTest, WalkFindsNestedSwitchesInTreeOrder) {
    tree.hub("usb1", kRootVendor, kRootProduct, 2).device("1-1", kMouseVendor, kMouseProduct);
    tree.hub("usb2", kRootVendor, kRootProduct, 2)
        .hub("2-2", kOtherHubVendor, kOtherHubProduct, 4)
        .hub("2-2.3", kSwitchVendor, kSwitchProduct, 4)
        .device("2-2.3.1", kStickVendor, kStickProduct)
        .device("2-2.3.4", kMouseVendor, kMouseProduct)
        .hub("2-2.3.2", kOtherHubVendor, kOtherHubProduct, 2);
    // A hub without the hub class, known by its ports alone.
    tree.write("2-2", "bDeviceClass", "00\n");
    // A later switch: on bus 10, which comes after bus 2.
    tree.hub("usb10", kRootVendor, kRootProduct, 1).hub("10-1", kSwitchVendor, kSwitchProduct, 4);

    EXPECT_EQ(locate(), "2-2.3");
    EXPECT_EQ(query("2-2.3", 1), (Port{1, kOtherHubVendor, kOtherHubProduct, 1}));
    EXPECT_EQ(query("2-2.3", 3), (Port{1, kMouseVendor, kMouseProduct, 0}));

    // Bus 2 without its switch: bus 10's is next.
    tree.remove("2-2", "2-2.3");
    EXPECT_EQ(locate(), "10-1");
}

TEST_F(SysfsSwitchUsbTest, OnlyHubsMatchAndBrokenEntriesAreNoHubs) {
    tree.hub("usb1", kRootVendor, kRootProduct, 4)
        .device("1-1", kSwitchVendor, kSwitchProduct)  // the hub's ID, but no hub
        .hub("1-2", kSwitchVendor, kSwitchProduct, 4)
        .hub("1-3", kSwitchVendor, kSwitchProduct, 4);
    tree.busLink("1-2", "1-2");  // a link that leads to itself
    tree.write("1-3", "maxchild", "12345\n");
    tree.remove("1-3", "bDeviceClass");
    EXPECT_EQ(locate(), "-");
    EXPECT_EQ(locate(kRootVendor, kRootProduct), "-");  // root hubs are the computer's own
    std::uint32_t count = 99;
    EXPECT_EQ(usb.getHubPortCount("1-3", &count), 0);
    EXPECT_EQ(usb.getHubPortCount("1-2", &count), 0);
    EXPECT_EQ(usb.getHubPortCount("1-1", &count), 1);
    EXPECT_EQ(count, 0u);
}

// A walk below one root hub explores 127 hubs at most, the root among them,
// as a bus has no more addresses: a switch behind the root's 126th hub is
// found, one behind its 127th is past the bound.
TEST_F(SysfsSwitchUsbTest, WalkStopsAfterABussFullOfHubs) {
    tree.hub("usb1", kRootVendor, kRootProduct, 128);
    for (int port = 1; port <= 128; ++port) tree.hub("1-" + std::to_string(port), kOtherHubVendor, kOtherHubProduct, 1);
    tree.hub("1-127.1", kSwitchVendor, kSwitchProduct, 4);
    EXPECT_EQ(locate(), "-");
    tree.hub("1-126.1", kSwitchVendor, kSwitchProduct, 4);
    EXPECT_EQ(locate(), "1-126.1");
}

// The attributes of the stick on the switch's port 2 as a broken or lying
// system may leave them: each is no device there, never a crash.
TEST_F(SysfsSwitchUsbTest, OddIdFilesAreNoDevice) {
    renderTwoPortSwitch(tree);
    const std::string overLong = "0951" + std::string(5000, '0');
    const struct {
        const char* what;
        std::function<void()> spoil;
    } cases[] = {
        {"missing", [&] { tree.remove("1-1.3", "idVendor"); }},
        {"non-hex", [&] { tree.write("1-1.3", "idVendor", "zzzz\n"); }},
        {"five digits", [&] { tree.write("1-1.3", "idProduct", "16660\n"); }},
        {"over-long", [&] { tree.write("1-1.3", "idVendor", overLong); }},
        {"empty", [&] { tree.write("1-1.3", "idVendor", ""); }},
        {"symlink loop", [&] { tree.link("1-1.3", "idVendor", "idVendor"); }},
        {"a directory",
         [&] {
             tree.remove("1-1.3", "idProduct");
             tree.write("1-1.3", "idProduct/x", "1");
         }},
        {"device link loop", [&] { tree.busLink("1-1.3", "1-1.3"); }},
    };
    for (const auto& c : cases) {
        tree.remove("1-1", "1-1.3");
        renderTwoPortSwitch(tree);
        c.spoil();
        EXPECT_EQ(query("1-1", 2), (Port{0, 0, 0, 0})) << c.what;
        UsbDeviceRef ref{"stale"};
        EXPECT_EQ(usb.findDeviceOnHubPort("1-1", 2, kStickVendor, kStickProduct, &ref), 0) << c.what;
        EXPECT_EQ(ref.id, "") << c.what;
        EXPECT_EQ(query("1-1", 3), (Port{1, kMouseVendor, kMouseProduct, 0})) << c.what;
    }
}

TEST_F(SysfsSwitchUsbTest, DeviceOnPortIsFoundByItsPlaceOnly) {
    renderTwoPortSwitch(tree);
    // The same stick's twin straight on the computer, before the switch in
    // no order that matters: it is never taken for the one on the switch.
    tree.device("1-2", kStickVendor, kStickProduct, "Kingston", "DataTraveler 3.0");
    UsbDeviceRef ref;
    ASSERT_EQ(usb.findDeviceOnHubPort("1-1", 2, kStickVendor, kStickProduct, &ref), 1);
    EXPECT_EQ(ref.id, "1-1.3");
    // The port holding something else, or nothing, has no stick.
    EXPECT_EQ(usb.findDeviceOnHubPort("1-1", 3, kStickVendor, kStickProduct, &ref), 0);
    EXPECT_EQ(usb.findDeviceOnHubPort("1-1", 1, kStickVendor, kStickProduct, &ref), 0);
    EXPECT_EQ(ref.id, "");

    tree.remove("1-1", "1-1.3");
    tree.busLink("1-1.3", "/nonexistent");
    EXPECT_EQ(usb.findDeviceOnHubPort("1-1", 2, kStickVendor, kStickProduct, &ref), 0);

    // References that are no hub's name are refused before anything is read.
    std::array<char, SwitchUsb::kHubRefSize> unterminated{};
    unterminated.fill('1');
    for (const char* bad : {"", "1-1:1.0", "../1-1", "1-1/../1-1", "/1-1", static_cast<const char*>(unterminated.data())}) {
        std::uint32_t count = 0;
        EXPECT_EQ(usb.getHubPortCount(bad, &count), 0) << bad;
        EXPECT_EQ(query(bad, 0), (Port{0, 0, 0, 0})) << bad;
        EXPECT_EQ(usb.findDeviceOnHubPort(bad, 0, kControllerVendor, kControllerProduct, &ref), 0) << bad;
    }
}

TEST_F(SysfsSwitchUsbTest, DescriptionsFromStringsOrTheDatabase) {
    tree.hub("usb1", kRootVendor, kRootProduct, 1).hub("1-1", kSwitchVendor, kSwitchProduct, 4);
    names.table[{0x1111, 0x0001}] = {"Database Vendor", "Database Model"};
    const std::string ellipsis = "\xe2\x80\xa6";  // three bytes
    std::string wide;
    while (wide.size() < 200) wide += ellipsis;
    const struct {
        const char* manufacturer;  // nullptr: no such file
        std::string product;
        const char* expected;
    } cases[] = {
        {"Kingston", "DataTraveler 3.0", "Kingston DataTraveler 3.0"},
        {"SanDisk", "SANDISK Ultra", "SANDISK Ultra"},  // the product names the maker already
        {nullptr, "Optical Mouse", "Optical Mouse"},
        {"Logitech", "", "Logitech"},
        {"  Acme\t", " Widget\x1b[2J ", "Acme Widget [2J"},  // a device's control bytes are no text
        {nullptr, "", "Database Vendor Database Model"},
        {nullptr, std::string(5000, 'x'), "Database Vendor Database Model"},  // over-long: no string
    };
    for (const auto& c : cases) {
        tree.device("1-1.1", 0x1111, 0x0001);
        if (c.manufacturer != nullptr) tree.write("1-1.1", "manufacturer", std::string(c.manufacturer) + "\n");
        if (!c.product.empty()) tree.write("1-1.1", "product", c.product + "\n");
        EXPECT_EQ(description(0x1111, 0x0001), c.expected) << c.product;
        tree.remove("usb1", "1-1/1-1.1");
    }

    // Cut to the buffer at a character's start, never inside one.
    tree.device("1-1.1", 0x1111, 0x0001, "", wide);
    const std::string cut = description(0x1111, 0x0001);
    EXPECT_EQ(cut.size(), 126u);
    EXPECT_EQ(cut, wide.substr(0, 126));

    // Nothing to say leaves the caller's text alone; a device that is not
    // there is not found.
    tree.device("1-1.2", 0x2222, 0x0002);
    int found = 0;
    EXPECT_EQ(description(0x2222, 0x0002, &found), "(as it was)");
    EXPECT_EQ(found, 1);
    EXPECT_EQ(description(0x3333, 0x0003, &found), "(as it was)");
    EXPECT_EQ(found, 0);
    EXPECT_EQ(usb.findPresentDevice(0x2222, 0x0002, nullptr), 1);
}

TEST_F(SysfsSwitchUsbTest, KnownDevicesFromWhatIsPresentThenTheDatabase) {
    renderTwoPortSwitch(tree);
    names.table[{kStickVendor, kStickProduct}] = {"Kingston Technology", "DataTraveler 100 G3"};
    names.table[{0x2222, 0x0002}] = {"", "Only A Model"};
    names.table[{0, 0}] = {"Nobody", "Nothing"};
    const struct {
        std::uint16_t vendorId, productId;
        int found;
        const char* expected;
    } cases[] = {
        {kStickVendor, kStickProduct, 1, "Kingston DataTraveler 3.0"},  // the device's own words first
        {0x2222, 0x0002, 1, "Only A Model"},
        {0x3333, 0x0003, 0, ""},
        {0, 0, 0, ""},  // no device, whatever a database says
    };
    for (const auto& c : cases) {
        std::array<char, SwitchUsb::kDescriptionSize> text{};
        EXPECT_EQ(usb.findKnownDevice(c.vendorId, c.productId, text.data()), c.found) << c.expected;
        if (c.found == 1) {
            EXPECT_STREQ(text.data(), c.expected);
        }
    }
}

TEST(SysfsPresentUsbDevices, ListsReadableDevicesInTreeOrder) {
    SysfsTree tree;
    renderTwoPortSwitch(tree);
    tree.write("1-1.3", "serial", "0019E06B07F7\n");
    tree.device("1-2", 0x1111, 0x0001);
    tree.write("1-2", "idVendor", "nope\n");
    SysfsPresentUsbDevices present(tree.sysRoot());
    const std::vector<UsbIdentity> devices = present.list();
    ASSERT_EQ(devices.size(), 5u);
    const std::uint16_t order[] = {kRootVendor, kSwitchVendor, kControllerVendor, kStickVendor, kMouseVendor};
    for (std::size_t i = 0; i < devices.size(); ++i) EXPECT_EQ(devices[i].vendorId, order[i]) << i;
    EXPECT_EQ(devices[3].productId, kStickProduct);
    EXPECT_EQ(devices[3].manufacturer, "Kingston");
    EXPECT_EQ(devices[3].product, "DataTraveler 3.0");
    EXPECT_EQ(devices[3].serial, "0019E06B07F7");
    EXPECT_EQ(devices[1].manufacturer, "");
}

}  // namespace
}  // namespace pivora
