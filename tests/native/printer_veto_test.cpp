#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "control/switch_control.h"
#include "platform/platform.h"
#include "local_printers.h"
#include "recording_trace.h"
#include "recording_window.h"
#include "sim/simulated_switch.h"

namespace pivora::test {
namespace {

using sim::Host;
using sim::SwitchHub;

// A device plugged into a port of the switch.
struct PortDevice {
    int port;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

constexpr LocalPrinter kLaserJet{"HP LaserJet P1102", 0x03F0, 0x3D17, 2};
constexpr LocalPrinter kIdleLaserJet{"HP LaserJet P1102", 0x03F0, 0x3D17, 0};
constexpr LocalPrinter kZebra{"Zebra GK420d", 0x0A5F, 0x0080, 1};
constexpr LocalPrinter kCanon{"Canon MP280", 0x04A9, 0x1746, 5};

// The control of computer A, the controller open and the switch's hub located.
class Veto : public ::testing::Test {
protected:
    Veto() : platform(sw.hostA.platform(trace)), control(platform, [](const PanelState&) {}, [](const Command&) {}) {}

    void SetUp() override { ready(SwitchHub::Form::TwoPort); }

    void TearDown() override { EXPECT_TRUE(sw.hostA.allReleased()) << "every key, printer and handle released"; }

    void ready(SwitchHub::Form form) {
        sw.hub.setForm(form);
        control.controllerOpen = 1;
        control.hubReady = 1;
        control.hubKind = form == SwitchHub::Form::TwoPort ? TwoPort : FourPort;
        const std::string name = sw.hostA.usb.hubName(sw.hubOnA);
        ASSERT_LT(name.size(), control.hubName.size());
        std::copy(name.begin(), name.end(), control.hubName.begin());
    }

    void addPrinter(const LocalPrinter& printer) { localPrinters.add(printer); }

    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    Platform platform;
    SwitchControl control;
    LocalPrinters localPrinters{sw.hostA};
};

// ---- Nothing to tell apart: the mask goes back as it came, the spooler untouched.

struct NotReadyCase {
    const char* name;
    int controllerOpen;
    int hubReady;
};

void PrintTo(const NotReadyCase& c, std::ostream* os) { *os << c.name; }

class VetoNotReady : public Veto, public ::testing::WithParamInterface<NotReadyCase> {};

TEST_P(VetoNotReady, ReturnsTheMaskWithoutAskingTheSpooler) {
    addPrinter(kLaserJet);
    sw.hub.plugDevice(2, kLaserJet.vendorId, kLaserJet.productId);
    control.controllerOpen = GetParam().controllerOpen;
    control.hubReady = GetParam().hubReady;
    for (std::uint8_t mask : {0x0C, 0x04, 0xFF}) EXPECT_EQ(control.vetoPrinterPorts(mask), mask);
    EXPECT_EQ(sw.hostA.spooler.enumPrintersCalls(), 0);
    EXPECT_EQ(sw.hostA.registry.opens(), 0);
}

INSTANTIATE_TEST_SUITE_P(States, VetoNotReady,
                         ::testing::Values(NotReadyCase{"Searching", 0, 0}, NotReadyCase{"ControllerOnly", 1, 0},
                                           NotReadyCase{"HubOnly", 0, 1}),
                         [](const ::testing::TestParamInfo<NotReadyCase>& c) { return std::string(c.param.name); });

// ---- Which ports a busy printer keeps.

struct MaskCase {
    const char* name;
    SwitchHub::Form form;
    std::vector<PortDevice> devices;
    std::vector<LocalPrinter> printers;
    std::uint8_t requested;
    std::uint8_t granted;
};

void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }

class VetoMask : public Veto, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(VetoMask, ClearsThePortsOfBusyPrinters) {
    const MaskCase& c = GetParam();
    ready(c.form);
    for (const PortDevice& device : c.devices) sw.hub.plugDevice(device.port, device.vendorId, device.productId);
    for (const LocalPrinter& printer : c.printers) addPrinter(printer);
    EXPECT_EQ(control.vetoPrinterPorts(c.requested), c.granted);
}

constexpr auto kTwo = SwitchHub::Form::TwoPort;
constexpr auto kFour = SwitchHub::Form::FourPort;
const PortDevice kLaserJetOn2{2, 0x03F0, 0x3D17};
const PortDevice kLaserJetOn3{3, 0x03F0, 0x3D17};
const PortDevice kMouseOn3{3, 0x046D, 0xC077};

INSTANTIATE_TEST_SUITE_P(
    Switches, VetoMask,
    ::testing::Values(
        MaskCase{"TwoPortBusyOnPort2", kTwo, {kLaserJetOn2, kMouseOn3}, {kLaserJet}, 0x0C, 0x08},
        MaskCase{"TwoPortBusyOnPort3", kTwo, {kLaserJetOn3}, {kLaserJet}, 0x0C, 0x04},
        MaskCase{"TwoPortIdlePrinter", kTwo, {kLaserJetOn2}, {kIdleLaserJet}, 0x0C, 0x0C},
        MaskCase{"TwoPortPortNotRequested", kTwo, {kLaserJetOn2}, {kLaserJet}, 0x08, 0x08},
        MaskCase{"TwoPortNothingRequested", kTwo, {kLaserJetOn2}, {kLaserJet}, 0x00, 0x00},
        MaskCase{"TwoPortOtherBitsKept", kTwo, {kLaserJetOn2}, {kLaserJet}, 0xF7, 0xF3},
        // The controller shows on internal port 0; those ports are never examined.
        MaskCase{"TwoPortInternalPortsNotExamined",
                 kTwo,
                 {},
                 {{"Odd printer", SwitchHub::kControllerVendorId, SwitchHub::kControllerProductId, 1}},
                 0x0F,
                 0x0F},
        MaskCase{"PrinterNotOnTheSwitch", kFour, {kMouseOn3}, {kLaserJet}, 0x0F, 0x0F},
        MaskCase{"FourPortBusyOnPort0", kFour, {{0, 0x03F0, 0x3D17}}, {kLaserJet}, 0x0F, 0x0E},
        MaskCase{"FourPortBusyOnPort1", kFour, {{1, 0x03F0, 0x3D17}}, {kLaserJet}, 0x0F, 0x0D},
        MaskCase{"FourPortBusyOnPort2", kFour, {kLaserJetOn2}, {kLaserJet}, 0x0F, 0x0B},
        MaskCase{"FourPortBusyOnPort3", kFour, {kLaserJetOn3}, {kLaserJet}, 0x0F, 0x07},
        // Port 3 is decided by its own device alone.
        MaskCase{"FourPortBusyOnPort2LeavesPort3", kFour, {kLaserJetOn2, kMouseOn3}, {kLaserJet}, 0x0C, 0x08},
        MaskCase{"FourPortSameDeviceOnTwoPorts", kFour, {{1, 0x03F0, 0x3D17}, kLaserJetOn3}, {kLaserJet}, 0x0F, 0x05},
        MaskCase{"SeveralBusyPrinters",
                 kFour,
                 {{0, 0x0A5F, 0x0080}, {1, 0x046D, 0xC077}, {2, 0x04A9, 0x1746}, kLaserJetOn3},
                 {kZebra, kIdleLaserJet, kCanon},
                 0x0F,
                 0x0A},
        // An empty port reads as 0000:0000, which names no printer.
        MaskCase{"PrinterWithIdZero", kFour, {kMouseOn3}, {{"Odd printer", 0, 0, 3}}, 0x0F, 0x0F}),
    [](const ::testing::TestParamInfo<MaskCase>& c) { return std::string(c.param.name); });

TEST_F(Veto, UnknownSwitchModelExaminesNoPort) {
    ready(SwitchHub::Form::FourPort);
    control.hubKind = UnknownHub;
    addPrinter(kLaserJet);
    sw.hub.plugDevice(2, kLaserJet.vendorId, kLaserJet.productId);
    EXPECT_EQ(control.vetoPrinterPorts(0x0F), 0x0F);
}

TEST_F(Veto, EachBusyPrinterIsExaminedOnce) {
    ready(SwitchHub::Form::FourPort);
    sw.hub.plugDevice(0, kZebra.vendorId, kZebra.productId);
    sw.hub.plugDevice(3, kCanon.vendorId, kCanon.productId);
    addPrinter(kZebra);
    addPrinter(kCanon);
    sw.hostA.spooler.addPrinter("Microsoft Print to PDF", "PORTPROMPT:", 1);
    EXPECT_EQ(control.vetoPrinterPorts(0x0F), 0x06);

    std::vector<std::string> opened;
    for (const auto& call : sw.hostA.spooler.openCalls()) opened.push_back(call.name);
    EXPECT_EQ(opened, (std::vector<std::string>{kZebra.name, kCanon.name}));
}

TEST_F(Veto, PrinterThatCannotBeOpenedNeverVetoes) {
    ready(SwitchHub::Form::FourPort);
    sw.hub.plugDevice(2, kLaserJet.vendorId, kLaserJet.productId);
    addPrinter(kLaserJet);
    sw.hostA.spooler.printer(0).openFails = true;
    EXPECT_EQ(control.vetoPrinterPorts(0x0F), 0x0F);
}

TEST_F(Veto, UnavailableSpoolerLetsEveryPortGo) {
    ready(SwitchHub::Form::FourPort);
    sw.hub.plugDevice(2, kLaserJet.vendorId, kLaserJet.productId);
    addPrinter(kLaserJet);
    sw.hostA.spooler.setUnavailable(true);
    EXPECT_EQ(control.vetoPrinterPorts(0x0F), 0x0F);
}

TEST_F(Veto, PortOnTheOtherComputerIsNotSeen) {
    ready(SwitchHub::Form::FourPort);
    sw.hub.plugDevice(2, kLaserJet.vendorId, kLaserJet.productId);
    addPrinter(kLaserJet);
    sw.firmware.setRawMask(0x04);
    EXPECT_EQ(control.vetoPrinterPorts(0x0B), 0x0B);
}

}  // namespace
}  // namespace pivora::test
