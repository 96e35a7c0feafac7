// The USB tree each computer sees, as a Linux computer names it: what
// switchsim renders into the sysfs of a Linux host.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "sim/simulated_switch.h"

namespace pivora::sim {
namespace {

// "<place> <vid>:<pid>", then " hub<ports>", " controller" or " switch<n>".
std::vector<std::string> seenBy(SimulatedSwitch& sw, Host host) {
    std::vector<std::string> lines;
    for (const SimUsbTree::PresentNode& node : sw.computer(host).usb.presentNodes()) {
        char id[16];
        std::snprintf(id, sizeof id, "%04x:%04x", static_cast<unsigned>(node.vendorId),
                      static_cast<unsigned>(node.productId));
        std::string line = node.place + " " + id;
        if (node.ports > 0) line += " hub" + std::to_string(node.ports);
        if (node.switchController) line += " controller";
        if (node.switchDevice >= 0) line += " switch" + std::to_string(node.switchDevice);
        lines.push_back(line);
    }
    return lines;
}

struct Layout {
    const char* name;
    std::function<void(SimulatedSwitch&)> lay;
    Host host;
    std::vector<std::string> seen;
};

void PrintTo(const Layout& layout, std::ostream* os) { *os << layout.name; }

class PresentNodes : public ::testing::TestWithParam<Layout> {};

TEST_P(PresentNodes, EachHubBeforeWhatHangsFromIt) {
    SimulatedSwitch sw;
    GetParam().lay(sw);
    EXPECT_EQ(seenBy(sw, GetParam().host), GetParam().seen);
}

const std::vector<std::string> kOwnSide = {"usb1 1d6b:0002 hub4", "1-1 046d:c31c", "1-2 0424:2524 hub4"};

std::vector<std::string> with(std::vector<std::string> lines, const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PresentNodes,
    ::testing::Values(
        // Every port is A's at the start: B sees its controller alone behind the hub.
        Layout{"StickOnA", [](SimulatedSwitch& sw) { sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer"); },
               Host::A, with(kOwnSide, {"1-2.1 04b4:120d controller", "1-2.3 0781:5567 switch0"})},
        Layout{"NothingOnB", [](SimulatedSwitch& sw) { sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer"); },
               Host::B, with(kOwnSide, {"1-2.2 04b4:120d controller"})},
        // A device removed safely is gone from its computer's view.
        Layout{"RemovedOnA",
               [](SimulatedSwitch& sw) {
                   const int stick = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
                   sw.hub.markRemoved(Host::A, stick);
               },
               Host::A, with(kOwnSide, {"1-2.1 04b4:120d controller"})},
        // The four-port form: the controller is not on the hub; port 0 is connection 1.
        Layout{"FourPort",
               [](SimulatedSwitch& sw) {
                   sw.hub.setForm(SwitchHub::Form::FourPort);
                   sw.hub.plugDevice(0, 0x0a5c, 0x21e8, "Broadcom Bluetooth");
               },
               Host::A, with(kOwnSide, {"1-2.1 0a5c:21e8 switch0"})},
        // A device straight into the computer takes the root hub's next free port.
        Layout{"LocalDevice",
               [](SimulatedSwitch& sw) {
                   SimUsbTree& usb = sw.computer(Host::B).usb;
                   const int root = usb.rootHub(0);
                   usb.addDevice(root, usb.freeConnection(root), 0x0781, 0x5567, "SanDisk Cruzer");
               },
               Host::B, {"usb1 1d6b:0002 hub4", "1-1 046d:c31c", "1-2 0424:2524 hub4", "1-2.2 04b4:120d controller",
                         "1-3 0781:5567"}},
        // The controller unplugged from B: the hub stays.
        Layout{"ControllerUnplugged",
               [](SimulatedSwitch& sw) {
                   SimUsbTree& usb = sw.computer(Host::B).usb;
                   usb.unplug(usb.switchControllerNode(sw.hubOn(Host::B)));
               },
               Host::B, kOwnSide}),
    [](const ::testing::TestParamInfo<Layout>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace pivora::sim
