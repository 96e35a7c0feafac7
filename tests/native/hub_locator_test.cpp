#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <tuple>

#include "sim/sim_computer.h"
#include "sim/switch_firmware.h"
#include "sim/switch_hub.h"
#include "sim/virtual_clock.h"
#include "usb/hub_records.h"
#include "usb/usb_topology.h"

namespace pivora::test {
namespace {

using sim::SimUsbTree;

constexpr std::uint16_t kSwitchVendorId = 0x0424;
constexpr std::uint16_t kSwitchProductId = 0x2524;
constexpr std::uint16_t kOtherHubVendorId = 0x05E3;
constexpr std::uint16_t kOtherHubProductId = 0x0608;

std::u16string nameOfLength(std::size_t length) {
    std::u16string name = u"USB#VID_0424&PID_2524#";
    while (name.size() < length) name += static_cast<char16_t>(u'a' + name.size() % 26);
    name.resize(length);
    return name;
}

// One computer's USB tree and the locator walking it.
class HubLocator : public ::testing::Test {
protected:
    HubLocator()
        : firmware(clock),
          switchHub(firmware),
          pc(clock, nullptr, sim::Host::A),
          usb(pc.usb),
          topology(pc.interfaces, pc.usb) {}

    void TearDown() override { EXPECT_TRUE(pc.allReleased()) << "every handle and set released"; }

    int root(int controller = 0) { return usb.rootHub(controller); }
    int hubAt(int parent, int connection, int ports = 4) {
        return usb.addHub(parent, connection, kOtherHubVendorId, kOtherHubProductId, ports);
    }
    int switchAt(int parent, int connection, std::u16string name = {}) {
        return usb.addHub(parent, connection, kSwitchVendorId, kSwitchProductId, 4, std::move(name));
    }

    struct Located {
        int result;
        std::string name;
    };
    Located locate() {
        char name[UsbTopology::kNameSize];
        std::memset(name, 'z', sizeof name);
        const int result = topology.locateHub(kSwitchVendorId, kSwitchProductId, name);
        EXPECT_NE(std::memchr(name, '\0', sizeof name), nullptr) << "the name is terminated";
        return {result, name};
    }
    void expectFound(int hub) {
        const Located located = locate();
        EXPECT_EQ(located.result, 1);
        EXPECT_EQ(located.name, usb.hubName(hub));
    }
    void expectNotFound() {
        const Located located = locate();
        EXPECT_EQ(located.result, 0);
        EXPECT_EQ(located.name, "");
    }
    bool opened(int hub) const {
        for (int each : usb.hubsOpened())
            if (each == hub) return true;
        return false;
    }

    sim::VirtualClock clock;
    sim::SwitchFirmware firmware;
    sim::SwitchHub switchHub;
    sim::SimComputer pc;
    SimUsbTree& usb;
    UsbTopology topology;
};

TEST_F(HubLocator, NothingToFindGivesZeroAndTheEmptyName) {
    expectNotFound();  // no host controller at all
    usb.addController();
    hubAt(root(), 1);
    usb.addDevice(root(), 2, 0x046D, 0xC31C);
    expectNotFound();
    switchAt(root(), 3);
    pc.interfaces.failSets(true);
    expectNotFound();
}

struct PlacementCase {
    const char* name;
    int hubsAbove;  // plain hubs between the root hub and the switch
    int connection;
    int rootPorts;
};

void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.name; }

class SwitchPlacement : public HubLocator, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(SwitchPlacement, IsFoundWhereverItHangs) {
    const PlacementCase& c = GetParam();
    usb.addController(c.rootPorts);
    int parent = root();
    for (int level = 0; level < c.hubsAbove; ++level) {
        usb.addDevice(parent, 1, 0x046D, 0xC31C);  // a device beside every hub on the way
        parent = hubAt(parent, 2);
    }
    expectFound(usb.placeSwitchHub(parent, c.connection, switchHub));
}

INSTANTIATE_TEST_SUITE_P(Placements, SwitchPlacement,
                         ::testing::Values(PlacementCase{"OnTheFirstRootPort", 0, 1, 4},
                                           PlacementCase{"OnTheLastOf7RootPorts", 0, 7, 7},
                                           PlacementCase{"BehindOneHub", 1, 4, 4},
                                           PlacementCase{"BehindFiveHubs", 5, 3, 4},
                                           PlacementCase{"BehindFifteenHubs", 15, 3, 4}),
                         [](const ::testing::TestParamInfo<PlacementCase>& c) { return std::string(c.param.name); });

// Two switches: the one later in the depth-first walk is returned.
struct OrderCase {
    const char* name;
    // Builds two switches in a tree of two controllers; returns the later one.
    int (*build)(SimUsbTree& usb);
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class SwitchOrder : public HubLocator, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(SwitchOrder, LastMatchInTheWalkWins) {
    usb.addController();
    usb.addController();
    expectFound(GetParam().build(usb));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, SwitchOrder,
    ::testing::Values(OrderCase{"LaterControllerBeatsHigherPort",
                                [](SimUsbTree& usb) {
                                    usb.addHub(usb.rootHub(0), 4, kSwitchVendorId, kSwitchProductId, 4);
                                    return usb.addHub(usb.rootHub(1), 1, kSwitchVendorId, kSwitchProductId, 4);
                                }},
                      OrderCase{"HigherPortOfTheSameHub",
                                [](SimUsbTree& usb) {
                                    usb.addHub(usb.rootHub(0), 1, kSwitchVendorId, kSwitchProductId, 4);
                                    return usb.addHub(usb.rootHub(0), 3, kSwitchVendorId, kSwitchProductId, 4);
                                }},
                      OrderCase{"ShallowSwitchAfterADeepSubtree",
                                [](SimUsbTree& usb) {
                                    const int upper =
                                        usb.addHub(usb.rootHub(0), 1, kOtherHubVendorId, kOtherHubProductId, 4);
                                    const int lower = usb.addHub(upper, 4, kOtherHubVendorId, kOtherHubProductId, 4);
                                    usb.addHub(lower, 4, kSwitchVendorId, kSwitchProductId, 4);
                                    return usb.addHub(usb.rootHub(0), 2, kSwitchVendorId, kSwitchProductId, 4);
                                }},
                      OrderCase{"DeepSwitchUnderALaterPort",
                                [](SimUsbTree& usb) {
                                    usb.addHub(usb.rootHub(0), 1, kSwitchVendorId, kSwitchProductId, 4);
                                    const int upper =
                                        usb.addHub(usb.rootHub(0), 2, kOtherHubVendorId, kOtherHubProductId, 4);
                                    const int lower = usb.addHub(upper, 1, kOtherHubVendorId, kOtherHubProductId, 4);
                                    return usb.addHub(lower, 1, kSwitchVendorId, kSwitchProductId, 4);
                                }}),
    [](const ::testing::TestParamInfo<OrderCase>& c) { return std::string(c.param.name); });

TEST_F(HubLocator, SwitchBelowASwitchIsNeverSeen) {
    usb.addController();
    const int upper = switchAt(root(), 1);
    const int lower = switchAt(upper, 2);
    expectFound(upper);
    EXPECT_FALSE(opened(upper)) << "a matching hub is not walked";
    EXPECT_FALSE(opened(lower));
}

TEST_F(HubLocator, DeviceThatIsNotAHubNeverMatches) {
    usb.addController();
    usb.addDevice(root(), 1, kSwitchVendorId, kSwitchProductId);
    expectNotFound();
    const int hub = switchAt(root(), 2);
    usb.addDevice(root(), 3, kSwitchVendorId, kSwitchProductId);
    expectFound(hub);
}

TEST_F(HubLocator, HubWithoutPortsIsOpenedAndClosedWithNoPortQuery) {
    usb.addController();
    const int empty = hubAt(root(), 1, 0);
    expectNotFound();
    EXPECT_TRUE(opened(empty));
    EXPECT_EQ(usb.ioctlCount(empty, hub::kIoctlGetNodeInformation), 1);
    EXPECT_EQ(usb.ioctlCount(empty, hub::kIoctlGetNodeConnectionInformation), 0);
    EXPECT_EQ(usb.ioctlCount(empty, hub::kIoctlGetNodeConnectionName), 0);
}

// Names are converted into 254 bytes: 253 characters and the terminator. A
// longer name is no name, wherever it is met.
enum class NameOf { Switch, HubOnTheWay, RootHub };

struct NameLengthCase {
    const char* name;
    std::size_t length;
    bool readable;
};

using NameLengthParam = std::tuple<NameOf, NameLengthCase>;

class NameLength : public HubLocator, public ::testing::WithParamInterface<NameLengthParam> {};

TEST_P(NameLength, IsReadWholeOrNotAtAll) {
    const NameOf where = std::get<0>(GetParam());
    const NameLengthCase& c = std::get<1>(GetParam());
    const std::u16string name = nameOfLength(c.length);
    usb.addController(4, where == NameOf::RootHub ? name : std::u16string());
    int parent = root();
    if (where == NameOf::HubOnTheWay) parent = usb.addHub(parent, 1, kOtherHubVendorId, kOtherHubProductId, 4, name);
    const int hub = switchAt(parent, 2, where == NameOf::Switch ? name : std::u16string());
    if (c.readable)
        expectFound(hub);
    else
        expectNotFound();
}

std::string nameLengthTestName(const ::testing::TestParamInfo<NameLengthParam>& info) {
    static const char* const kWhere[] = {"SwitchName", "NameOfAHubOnTheWay", "RootHubName"};
    return std::string(kWhere[static_cast<int>(std::get<0>(info.param))]) + std::get<1>(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(Lengths, NameLength,
                         ::testing::Combine(::testing::Values(NameOf::Switch, NameOf::HubOnTheWay, NameOf::RootHub),
                                            ::testing::Values(NameLengthCase{"Of253Characters", 253, true},
                                                              NameLengthCase{"Of254Characters", 254, false},
                                                              NameLengthCase{"Of400Characters", 400, false})),
                         nameLengthTestName);

// Ways the name of the hub on a port cannot be read.
struct UnreadableCase {
    const char* name;
    SimUsbTree::NameFault fault;
    std::optional<std::uint32_t> reportedLength;
};

void PrintTo(const UnreadableCase& c, std::ostream* os) { *os << c.name; }

class UnreadableName : public HubLocator, public ::testing::WithParamInterface<UnreadableCase> {
protected:
    void breakName(int hub, int connection) {
        usb.portFaults(hub, connection).connectionName = GetParam().fault;
        usb.portFaults(hub, connection).connectionNameLength = GetParam().reportedLength;
    }
};

TEST_P(UnreadableName, MatchingHubLeavesTheEmptyNameUntilALaterMatch) {
    usb.addController();
    switchAt(root(), 1);
    switchAt(root(), 2);
    breakName(root(), 2);
    expectNotFound();  // it replaces the earlier match
    expectFound(switchAt(root(), 3));
}

TEST_P(UnreadableName, NonMatchingHubIsNotWalked) {
    usb.addController();
    const int before = switchAt(root(), 1);
    const int between = hubAt(root(), 2);
    switchAt(between, 1);
    breakName(root(), 2);
    expectFound(before);
    EXPECT_FALSE(opened(between));
}

INSTANTIATE_TEST_SUITE_P(Faults, UnreadableName,
                         ::testing::Values(UnreadableCase{"EveryCallFails", SimUsbTree::NameFault::EveryCallFails, {}},
                                           UnreadableCase{"FullReadFails", SimUsbTree::NameFault::FullReadFails, {}},
                                           UnreadableCase{"LengthBelowTheFixedPart", SimUsbTree::NameFault::None, 4u},
                                           UnreadableCase{"LengthOfTheProbeOnly", SimUsbTree::NameFault::None, 10u},
                                           UnreadableCase{"LengthJustOver64KiB", SimUsbTree::NameFault::None,
                                                          64u * 1024u + 1u},
                                           UnreadableCase{"LengthOf4GiB", SimUsbTree::NameFault::None, 0xFFFFFFFFu}),
                         [](const ::testing::TestParamInfo<UnreadableCase>& c) { return std::string(c.param.name); });

// A driver whose ActualLength is not the record's size. Under the sanitizers
// any read past what the driver filled fails the test.
struct LyingLengthCase {
    const char* name;
    bool rootHub;         // the lie is in the root hub's name record, else in the switch's
    std::int64_t change;  // added to the true length
    bool readable;
};

void PrintTo(const LyingLengthCase& c, std::ostream* os) { *os << c.name; }

class LyingLength : public HubLocator, public ::testing::WithParamInterface<LyingLengthCase> {};

TEST_P(LyingLength, IsNeverReadPast) {
    const LyingLengthCase& c = GetParam();
    usb.addController();
    const int hub = switchAt(root(), 1);
    const std::size_t nameLength = c.rootHub ? usb.hubName(root()).size() : usb.hubName(hub).size();
    const std::int64_t trueLength =
        static_cast<std::int64_t>(c.rootHub ? hub::kRootHubNameText : hub::kConnectionNameText) +
        2 * (static_cast<std::int64_t>(nameLength) + 1);
    const auto lie = static_cast<std::uint32_t>(trueLength + c.change);
    if (c.rootHub)
        usb.controllerFaults(0).rootHubNameLength = lie;
    else
        usb.portFaults(root(), 1).connectionNameLength = lie;
    const Located located = locate();
    if (c.readable) {
        EXPECT_EQ(located.result, 1);
        EXPECT_EQ(located.name, usb.hubName(hub));
    } else {
        // Cut short, the name could open another device: it is no name at all.
        EXPECT_EQ(located.result, 0);
        EXPECT_EQ(located.name, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Lies, LyingLength,
                         ::testing::Values(LyingLengthCase{"RootHubNameLonger", true, 40, true},
                                           LyingLengthCase{"RootHubNameOddLength", true, 1, true},
                                           LyingLengthCase{"RootHubNameShorter", true, -6, false},
                                           LyingLengthCase{"SwitchNameLonger", false, 40, true},
                                           LyingLengthCase{"SwitchNameShorter", false, -20, false}),
                         [](const ::testing::TestParamInfo<LyingLengthCase>& c) { return std::string(c.param.name); });

// Every failure skips only the piece it hits. Switch X hangs below hub H on
// root port 1 of controller 0, Y on root port 2 of controller 0, Z on root
// port 1 of controller 1.
struct Layout {
    int h, x, y, z;
};

struct SkipCase {
    const char* name;
    // Injects the faults; returns the switch still found, or -1.
    int (*fault)(SimUsbTree& usb, const Layout& layout);
};

void PrintTo(const SkipCase& c, std::ostream* os) { *os << c.name; }

class FailureSkips : public HubLocator, public ::testing::WithParamInterface<SkipCase> {};

TEST_P(FailureSkips, OnlyItsPiece) {
    usb.addController();
    usb.addController();
    Layout layout{};
    layout.h = hubAt(root(0), 1);
    layout.x = switchAt(layout.h, 2);
    layout.y = switchAt(root(0), 2);
    layout.z = switchAt(root(1), 1);
    const int found = GetParam().fault(usb, layout);
    if (found >= 0)
        expectFound(found);
    else
        expectNotFound();
}

int hideY(SimUsbTree& usb) {
    usb.portFaults(usb.rootHub(0), 2).connectionInformationFails = true;
    return -1;
}

int hideZ(SimUsbTree& usb) {
    usb.controllerFaults(1).openFails = true;
    return -1;
}

INSTANTIATE_TEST_SUITE_P(Pieces, FailureSkips,
                         ::testing::Values(SkipCase{"NoFault",
                                                    [](SimUsbTree&, const Layout& layout) { return layout.z; }},
                                           SkipCase{"ControllerPathUnreadable",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(1).detailFails = true;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"ControllerOpenFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        hideZ(usb);
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubNameProbeFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(1).rootHubName =
                                                            SimUsbTree::NameFault::EveryCallFails;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubNameReadFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(1).rootHubName =
                                                            SimUsbTree::NameFault::FullReadFails;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubNameLengthBelowTheFixedPart",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(1).rootHubNameLength = 2;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubNameLengthOver64KiB",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(1).rootHubNameLength = 0x10002;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubOpenFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.hubFaults(usb.rootHub(1)).openFails = true;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"RootHubNodeInformationFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.hubFaults(usb.rootHub(1)).nodeInformationFails = true;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"PortInformationFails",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.portFaults(usb.rootHub(1), 1).connectionInformationFails =
                                                            true;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"PortAfterAFailedPort",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        hideZ(usb);
                                                        usb.portFaults(usb.rootHub(0), 1).connectionInformationFails =
                                                            true;
                                                        return layout.y;
                                                    }},
                                           SkipCase{"ControllerAfterAFailedController",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        usb.controllerFaults(0).openFails = true;
                                                        return layout.z;
                                                    }},
                                           SkipCase{"SubtreeOfAWorkingHub",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        hideY(usb);
                                                        hideZ(usb);
                                                        return layout.x;
                                                    }},
                                           SkipCase{"SubtreeOfAHubThatCannotBeOpened",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        hideY(usb);
                                                        hideZ(usb);
                                                        usb.hubFaults(layout.h).openFails = true;
                                                        return -1;
                                                    }},
                                           SkipCase{"SubtreeOfAHubWithoutNodeInformation",
                                                    [](SimUsbTree& usb, const Layout& layout) {
                                                        hideY(usb);
                                                        hideZ(usb);
                                                        usb.hubFaults(layout.h).nodeInformationFails = true;
                                                        return -1;
                                                    }}),
                         [](const ::testing::TestParamInfo<SkipCase>& c) { return std::string(c.param.name); });

// USB allows five tiers of hubs; a driver reporting a far deeper chain, or a
// hub below itself, must not take the walk down with it.
TEST_F(HubLocator, ChainDeeperThanTheBoundIsNotWalkedPastIt) {
    usb.addController();
    int parent = root();
    for (int level = 0; level < 40; ++level) parent = hubAt(parent, 1, 1);
    switchAt(parent, 1);
    expectNotFound();
    EXPECT_EQ(usb.hubsOpened().size(), static_cast<std::size_t>(UsbTopology::kMaxHubDepth) + 1)
        << "the root hub and the hubs down to the bound";
}

TEST_F(HubLocator, LoopingTreeEndsAndTheWalkGoesOn) {
    usb.addController();
    const int looping = hubAt(root(), 1, 1);
    usb.linkPort(looping, 1, root());  // its only port reports the root hub again
    const int hub = switchAt(root(), 2);
    expectFound(hub);
    EXPECT_EQ(usb.hubsOpened().size(), static_cast<std::size_t>(UsbTopology::kMaxHubDepth) + 1);
}

TEST_F(HubLocator, HubThatReportsItselfOnEveryPortEndsWithinTheHubBudget) {
    usb.addController();
    const int looping = hubAt(root(), 1, 4);
    for (int connection = 1; connection <= 4; ++connection) usb.linkPort(looping, connection, looping);
    expectNotFound();
    EXPECT_LE(usb.hubsOpened().size(), static_cast<std::size_t>(UsbTopology::kMaxHubsPerRoot));
}

}  // namespace
}  // namespace pivora::test
