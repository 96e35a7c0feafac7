#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "usb/hub_records.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::SimUsbTree;
using sim::SwitchHub;

constexpr std::uint16_t kMouseVendorId = 0x046D;
constexpr std::uint16_t kMouseProductId = 0xC077;

// What queryHubPort gives for one port.
struct Port {
    int result;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint32_t isHub;
    bool operator==(const Port& other) const {
        return result == other.result && vendorId == other.vendorId && productId == other.productId &&
               isHub == other.isHub;
    }
};

void PrintTo(const Port& p, std::ostream* os) {
    *os << "{result " << p.result << ", " << std::hex << p.vendorId << ":" << p.productId << ", hub " << p.isHub << "}";
}

const Port kEmpty{0, 0, 0, 0};

// Both computers on the simulated switch, each with its topology. The
// keyboard sits on root connection 1, the switch's hub on root connection 2.
class HubPorts : public ::testing::Test {
protected:
    HubPorts() : topologyA(sw.hostA.interfaces, sw.hostA.usb), topologyB(sw.hostB.interfaces, sw.hostB.usb) {}

    void TearDown() override {
        EXPECT_TRUE(sw.hostA.allReleased()) << "every handle and set released on A";
        EXPECT_TRUE(sw.hostB.allReleased()) << "every handle and set released on B";
    }

    SimUsbTree& usb(Host host) { return sw.computer(host).usb; }
    UsbTopology& topology(Host host) { return host == Host::A ? topologyA : topologyB; }
    std::string hubName(Host host) { return usb(host).hubName(sw.hubOn(host)); }
    std::string rootHubName() { return usb(Host::A).hubName(usb(Host::A).rootHub(0)); }

    Port query(Host host, const std::string& name, int portIndex) {
        Port port{-1, 0xEEEE, 0xEEEE, 0xEEEE};
        port.result =
            topology(host).queryHubPort(name.c_str(), portIndex, &port.vendorId, &port.productId, &port.isHub);
        return port;
    }
    Port query(Host host, int portIndex) { return query(host, hubName(host), portIndex); }

    sim::SimulatedSwitch sw;
    UsbTopology topologyA;
    UsbTopology topologyB;
};

TEST_F(HubPorts, EachComputerLocatesItsViewOfTheSwitch) {
    for (Host host : {Host::A, Host::B}) {
        char name[UsbTopology::kNameSize];
        ASSERT_EQ(topology(host).locateHub(SwitchHub::kVendorId, SwitchHub::kProductId, name), 1);
        EXPECT_EQ(std::string(name), hubName(host));
        std::uint32_t count = 0;
        EXPECT_EQ(topology(host).getHubPortCount(name, &count), 1);
        EXPECT_EQ(count, 4u);
    }
}

class PortIndex : public HubPorts, public ::testing::WithParamInterface<int> {};

TEST_P(PortIndex, AsksForConnectionIndexPlusOne) {
    sw.hub.setForm(SwitchHub::Form::FourPort);
    for (int port = 0; port < SwitchHub::kPorts; ++port)
        sw.hub.plugDevice(port, kMouseVendorId, static_cast<std::uint16_t>(0x1000 + port));
    const int portIndex = GetParam();
    EXPECT_EQ(query(Host::A, portIndex), (Port{1, kMouseVendorId, static_cast<std::uint16_t>(0x1000 + portIndex), 0}));
    const SimUsbTree::IoctlCall& call = usb(Host::A).ioctls().back();
    EXPECT_EQ(call.code, hub::kIoctlGetNodeConnectionInformation);
    EXPECT_EQ(call.connection, static_cast<std::uint32_t>(portIndex) + 1);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortIndex, ::testing::Range(0, SwitchHub::kPorts),
                         [](const ::testing::TestParamInfo<int>& c) { return "Port" + std::to_string(c.param); });

// What one user port of the switch holds, as host A's queryHubPort sees it.
struct PortCase {
    const char* name;
    void (*setUp)(sim::SimulatedSwitch& sw);
    Port expected;
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name; }

class PortContent : public HubPorts, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PortContent, OnlyAConnectedDeviceCounts) {
    GetParam().setUp(sw);
    EXPECT_EQ(query(Host::A, 2), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, PortContent,
    ::testing::Values(PortCase{"ConnectedDevice",
                               [](sim::SimulatedSwitch& sw) { sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId); },
                               {1, kMouseVendorId, kMouseProductId, 0}},
                      PortCase{"EmptyPort", [](sim::SimulatedSwitch&) {}, kEmpty},
                      PortCase{"FailedEnumeration",
                               [](sim::SimulatedSwitch& sw) {
                                   sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
                                   sw.hostA.usb.portFaults(sw.hubOnA, 3).status = 2;
                               },
                               kEmpty},
                      PortCase{"Overcurrent",
                               [](sim::SimulatedSwitch& sw) {
                                   sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
                                   sw.hostA.usb.portFaults(sw.hubOnA, 3).status = 3;
                               },
                               kEmpty},
                      PortCase{"ConnectionQueryFails",
                               [](sim::SimulatedSwitch& sw) {
                                   sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
                                   sw.hostA.usb.portFaults(sw.hubOnA, 3).connectionInformationFails = true;
                               },
                               kEmpty},
                      PortCase{"PortOnTheOtherHost",
                               [](sim::SimulatedSwitch& sw) {
                                   sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
                                   sw.firmware.setRawMask(0x04);
                               },
                               kEmpty},
                      PortCase{"DeviceUnpluggedFromTheSwitch",
                               [](sim::SimulatedSwitch& sw) {
                                   sw.hub.unplugDevice(sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId));
                               },
                               kEmpty}),
    [](const ::testing::TestParamInfo<PortCase>& c) { return std::string(c.param.name); });

TEST_F(HubPorts, HubOnAPortGivesItsOwnIds) {
    EXPECT_EQ(query(Host::A, rootHubName(), 1), (Port{1, SwitchHub::kVendorId, SwitchHub::kProductId, 1}));
    EXPECT_EQ(query(Host::A, rootHubName(), 0), (Port{1, 0x046D, 0xC31C, 0})) << "the keyboard";
}

// getDownstreamHubName on the root hub: the keyboard on port 0, the switch's
// hub on port 1, nothing on port 2.
struct DownstreamCase {
    const char* name;
    int portIndex;
    void (*fault)(SimUsbTree& usb);
    int result;
    enum class Gets { Untouched, Empty, SwitchHubsName } nameOut;
};

void PrintTo(const DownstreamCase& c, std::ostream* os) { *os << c.name; }

class DownstreamHubName : public HubPorts, public ::testing::WithParamInterface<DownstreamCase> {};

TEST_P(DownstreamHubName, IsReadOnlyForAHub) {
    const DownstreamCase& c = GetParam();
    if (c.fault != nullptr) c.fault(usb(Host::A));
    std::array<char, UsbTopology::kNameSize> name;
    name.fill('z');
    EXPECT_EQ(topologyA.getDownstreamHubName(rootHubName().c_str(), c.portIndex, name.data()), c.result);
    switch (c.nameOut) {
        case DownstreamCase::Gets::Untouched:
            EXPECT_EQ(name, ([] {
                          std::array<char, UsbTopology::kNameSize> untouched;
                          untouched.fill('z');
                          return untouched;
                      })());
            break;
        case DownstreamCase::Gets::Empty:
            EXPECT_EQ(name[0], '\0');
            break;
        case DownstreamCase::Gets::SwitchHubsName:
            EXPECT_EQ(std::string(name.data()), hubName(Host::A));
            break;
    }
}

void noFault(SimUsbTree&) {}

INSTANTIATE_TEST_SUITE_P(
    Ports, DownstreamHubName,
    ::testing::Values(
        DownstreamCase{"HubOnThePort", 1, noFault, 1, DownstreamCase::Gets::SwitchHubsName},
        DownstreamCase{"DeviceThatIsNoHub", 0, noFault, 0, DownstreamCase::Gets::Untouched},
        DownstreamCase{"EmptyPort", 2, noFault, 0, DownstreamCase::Gets::Untouched},
        DownstreamCase{"HubWhoseNameCannotBeRead", 1,
                       [](SimUsbTree& usb) {
                           usb.portFaults(usb.rootHub(0), 2).connectionName = SimUsbTree::NameFault::EveryCallFails;
                       },
                       1, DownstreamCase::Gets::Empty},
        DownstreamCase{"HubWhoseNameLengthLies", 1,
                       [](SimUsbTree& usb) { usb.portFaults(usb.rootHub(0), 2).connectionNameLength = 0x7FFFFFFF; }, 1,
                       DownstreamCase::Gets::Empty},
        DownstreamCase{"ConnectionQueryFails", 1,
                       [](SimUsbTree& usb) { usb.portFaults(usb.rootHub(0), 2).connectionInformationFails = true; }, 0,
                       DownstreamCase::Gets::Untouched},
        DownstreamCase{"RootHubCannotBeOpened", 1,
                       [](SimUsbTree& usb) { usb.hubFaults(usb.rootHub(0)).openFails = true; }, 0,
                       DownstreamCase::Gets::Untouched}),
    [](const ::testing::TestParamInfo<DownstreamCase>& c) { return std::string(c.param.name); });

// A hub name that no longer opens the switch's hub: every operation fails with
// zero outputs.
struct GoneCase {
    const char* name;
    std::string (*hubName)(sim::SimulatedSwitch& sw);
};

void PrintTo(const GoneCase& c, std::ostream* os) { *os << c.name; }

class SwitchGone : public HubPorts, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(SwitchGone, EveryOperationGivesZero) {
    sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
    const std::string name = GetParam().hubName(sw);
    std::uint32_t count = 99;
    EXPECT_EQ(topologyA.getHubPortCount(name.c_str(), &count), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(query(Host::A, name, 2), kEmpty);
    char downstream[UsbTopology::kNameSize] = "untouched";
    EXPECT_EQ(topologyA.getDownstreamHubName(name.c_str(), 2, downstream), 0);
    EXPECT_STREQ(downstream, "untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SwitchGone,
    ::testing::Values(GoneCase{"Unplugged",
                               [](sim::SimulatedSwitch& s) {
                                   s.hostA.usb.unplug(s.hubOnA);
                                   return s.hostA.usb.hubName(s.hubOnA);
                               }},
                      GoneCase{"EmptyName", [](sim::SimulatedSwitch&) { return std::string(); }},
                      GoneCase{"NameNoHubHas",
                               [](sim::SimulatedSwitch&) {
                                   return std::string(
                                       "USB#VID_0424&PID_2524#6&0&0&99#{f18a0e88-c30c-11d0-8815-00a0c906bed8}");
                               }},
                      GoneCase{"HubCannotBeOpened",
                               [](sim::SimulatedSwitch& s) {
                                   s.hostA.usb.hubFaults(s.hubOnA).openFails = true;
                                   return s.hostA.usb.hubName(s.hubOnA);
                               }}),
    [](const ::testing::TestParamInfo<GoneCase>& c) { return std::string(c.param.name); });

TEST_F(HubPorts, FailedNodeInformationGivesNoPortCount) {
    usb(Host::A).hubFaults(sw.hubOnA).nodeInformationFails = true;
    std::uint32_t count = 99;
    EXPECT_EQ(topologyA.getHubPortCount(hubName(Host::A).c_str(), &count), 0);
    EXPECT_EQ(count, 0u);
}

// The switch's hub as both computers see it.
TEST_F(HubPorts, EachComputerSeesOnlyItsOwnPortsAndAPortSwitchMovesTheDevice) {
    sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId);
    sw.hub.plugDevice(3, 0x0781, 0x5567);
    sw.firmware.setRawMask(0x08);  // port 3 on B
    EXPECT_EQ(query(Host::A, 2), (Port{1, kMouseVendorId, kMouseProductId, 0}));
    EXPECT_EQ(query(Host::A, 3), kEmpty);
    EXPECT_EQ(query(Host::B, 2), kEmpty);
    EXPECT_EQ(query(Host::B, 3), (Port{1, 0x0781, 0x5567, 0}));

    sw.firmware.setRawMask(0x04);
    EXPECT_EQ(query(Host::A, 2), kEmpty);
    EXPECT_EQ(query(Host::A, 3), (Port{1, 0x0781, 0x5567, 0}));
    EXPECT_EQ(query(Host::B, 2), (Port{1, kMouseVendorId, kMouseProductId, 0}));
    EXPECT_EQ(topologyB.findPresentDevice(kMouseVendorId, kMouseProductId, nullptr, nullptr), 1);
    EXPECT_EQ(topologyA.findPresentDevice(kMouseVendorId, kMouseProductId, nullptr, nullptr), 0);
}

TEST_F(HubPorts, ControllerShowsOnPort0ForAAndPort1ForBOnlyInTheTwoPortForm) {
    const Port controller{1, SwitchHub::kControllerVendorId, SwitchHub::kControllerProductId, 0};
    EXPECT_EQ(query(Host::A, 0), controller);
    EXPECT_EQ(query(Host::A, 1), kEmpty);
    EXPECT_EQ(query(Host::B, 0), kEmpty);
    EXPECT_EQ(query(Host::B, 1), controller);

    sw.hub.setForm(SwitchHub::Form::FourPort);
    sw.hub.plugDevice(0, kMouseVendorId, kMouseProductId);
    EXPECT_EQ(query(Host::A, 0), (Port{1, kMouseVendorId, kMouseProductId, 0}));
    EXPECT_EQ(query(Host::B, 1), kEmpty);
}

TEST_F(HubPorts, DeviceRemovedSafelyIsBackWhenItsPortReturns) {
    sw.hub.plugDevice(2, kMouseVendorId, kMouseProductId, "USB Optical Mouse");
    std::uint32_t devInst = 0;
    ASSERT_EQ(topologyA.findPresentDevice(kMouseVendorId, kMouseProductId, &devInst, nullptr), 1);
    RecordingTrace trace;
    ASSERT_EQ(safeRemoveDevice(usb(Host::A), trace, devInst), 0u);
    EXPECT_EQ(query(Host::A, 2), kEmpty);
    char description[UsbTopology::kDescriptionSize] = {};
    EXPECT_EQ(topologyA.findKnownDevice(kMouseVendorId, kMouseProductId, description), 1);
    EXPECT_STREQ(description, "USB Optical Mouse");

    sw.firmware.setRawMask(0x04);
    EXPECT_EQ(query(Host::B, 2), (Port{1, kMouseVendorId, kMouseProductId, 0}));
    sw.firmware.setRawMask(0x00);
    EXPECT_EQ(query(Host::A, 2), (Port{1, kMouseVendorId, kMouseProductId, 0}));
}

}  // namespace
}  // namespace pivora::test
