#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "switch_dialog_fixture.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

// Host A connected to a switch of the given model, every port its own
// unless a test moves one; each test then refreshes the panel itself.
class Panel : public OneComputer {
protected:
    void connect(Form form, std::uint8_t rawMask = 0x00) {
        sw.hub.setForm(form);
        sw.firmware.setRawMask(rawMask);
        start();
        runUntil(8000);
        ASSERT_EQ(control.hubReady, 1);
    }

    // One refresh: the panel it leaves, the reports it writes.
    const PanelState& refresh(std::uint8_t ownedPorts) {
        writtenSince = now();
        control.refreshPortPanel(ownedPorts);
        control.showPortOwners(static_cast<std::uint8_t>(~ownedPorts));
        return control.panel();
    }

    std::uint64_t writtenSince = 0;
};

TEST_F(Panel, FourPortSwitchWithEveryPortHere) {
    sw.hub.plugDevice(0, 0x046D, 0xC31D, "USB Keyboard");
    sw.hub.plugDevice(1, 0x045E, 0x0040, "USB Mouse");
    sw.hub.plugDevice(3, 0x03F0, 0x0C17, "HP LaserJet");
    connect(Form::FourPort);
    const PanelState& panel = refresh(0xFF);
    EXPECT_EQ(panel.layout, FourPort);
    const std::array<const char*, 4> names = {"USB Keyboard", "USB Mouse", "", "HP LaserJet"};
    for (std::size_t port = 0; port < 4; ++port) {
        const PortRowState& row = panel.ports.at(port);
        EXPECT_TRUE(row.visible) << port;
        EXPECT_EQ(row.name, names.at(port));
        // The claim arrow lit, the release arrow dim: the port is here.
        EXPECT_EQ(row.claim, ArrowImage::Lit) << port;
        EXPECT_EQ(row.release, ArrowImage::Dim) << port;
    }
    EXPECT_TRUE(written(writtenSince).empty()) << "the connection's refresh stored every slot already";
    EXPECT_EQ(control.portIds[2].valid, 1) << "an empty port of this computer is recorded as 0000:0000";
}

// Port 3 leaves for the other computer, taking its receiver along.
TEST_F(Panel, TwoPortSwitchWithPort2HereHidesRows3To5) {
    sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
    connect(Form::TwoPort, 0x00);
    ASSERT_EQ(control.portIds[3].valid, 1) << "stored by this computer";
    sw.firmware.setRawMask(0x08);
    const PanelState& panel = refresh(0x04);
    EXPECT_EQ(panel.layout, TwoPort);
    EXPECT_EQ(panel.ports[3].name, "Logitech Receiver") << "named from its slot";
    for (int port : {0, 1}) EXPECT_EQ(panel.ports.at(static_cast<std::size_t>(port)), PortRowState{}) << port;
    EXPECT_EQ(panel.ports[2].claim, ArrowImage::Lit);
    EXPECT_EQ(panel.ports[2].release, ArrowImage::Dim);
    EXPECT_EQ(panel.ports[3].claim, ArrowImage::Dim) << "over there";
    EXPECT_EQ(panel.ports[3].release, ArrowImage::Lit);
    EXPECT_EQ(control.portIds[3].valid, 0) << "no longer this computer's to keep";

    // Back here, the receiver is stored again: the other computer may have
    // stored something else there meanwhile.
    sw.firmware.setRawMask(0x00);
    refresh(0x0C);
    EXPECT_EQ(written(writtenSince), (std::vector<std::string>{"StorePortId 08 046D C52B", "ReadPortId 08"}));
}

// The name a port of this computer shows.
struct NameCase {
    const char* what;
    bool plugged;
    const char* path;  // empty: a path in the form Windows gives
    const char* shown;
    bool hub = false;
};

class PortName : public Panel, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PortName, ShownInTheRow) {
    if (GetParam().plugged) {
        const int device = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer", GetParam().path);
        sw.hub.device(device).isHub = GetParam().hub;
    }
    connect(Form::TwoPort);
    EXPECT_EQ(refresh(0x0C).ports[2].name, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, PortName,
    ::testing::Values(NameCase{"nothing", false, "", ""}, NameCase{"described", true, "", "SanDisk Cruzer"},
                      NameCase{"not found by its ID", true, "\\\\?\\usb#7&1c4b2a9&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
                               "USB Device"},
                      NameCase{"a hub", true, "", "Generic USB Hub", true}),
    [](const auto& param) {
        std::string name = param.param.what;
        std::replace(name.begin(), name.end(), ' ', '_');
        return name;
    });

TEST_F(Panel, SlotFollowsTheDeviceOnItsPort) {
    const int stick = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    connect(Form::TwoPort);
    refresh(0x0C);
    EXPECT_TRUE(written(writtenSince).empty()) << "valid and unchanged: nothing is sent";

    // Another device from the same maker: stored, so the other computer
    // names it and the printer poll finds it.
    sw.hub.unplugDevice(stick);
    sw.hub.plugDevice(2, 0x0781, 0x5581, "SanDisk Ultra");
    refresh(0x0C);
    EXPECT_EQ(written(writtenSince), (std::vector<std::string>{"StorePortId 04 0781 5581", "ReadPortId 04"}));
    EXPECT_EQ(control.portIds[2].productId, 0x5581);

    // Gone: the empty port is recorded once.
    sw.hub.unplugDevice(sw.hub.deviceCount() - 1);
    refresh(0x0C);
    refresh(0x0C);
    const auto all = written(0);
    EXPECT_EQ(std::count(all.begin(), all.end(), "StorePortId 04 0000 0000"), 2)
        << "once when the registry was first loaded, once now";
}

TEST_F(Panel, UploadThatFailsIsTriedAgainByTheNextRefresh) {
    sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    sw.firmware.refuseStores(true);
    connect(Form::TwoPort);
    EXPECT_EQ(control.portIds[2].valid, 0) << "the controller did not keep it";
    sw.firmware.refuseStores(false);
    refresh(0x0C);
    EXPECT_EQ(written(writtenSince), (std::vector<std::string>{"StorePortId 04 0781 5567", "ReadPortId 04"}));
    EXPECT_EQ(control.portIds[2].valid, 1);
    EXPECT_EQ(sw.firmware.portId(2).productId, 0x5567) << "the other computer can name it now";
}

}  // namespace
}  // namespace pivora::test
