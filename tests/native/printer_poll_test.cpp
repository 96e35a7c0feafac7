#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "local_printers.h"
#include "switch_dialog_fixture.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

constexpr LocalPrinter kBusyLaserJet{"HP LaserJet P1102", 0x03F0, 0x3D17, 2};
constexpr LocalPrinter kIdleLaserJet{"HP LaserJet P1102", 0x03F0, 0x3D17, 0};

// Host A, every port on host B; a local printer whose device is not here.
class PrinterPoll : public OneComputer {
protected:
    void connect(Form form) {
        sw.hub.setForm(form);
        sw.firmware.setRawMask(0x0F);
        start();
        runUntil(9000);
        ASSERT_EQ(control.hubReady, 1);
        since = now();
    }

    // Runs until the printer poll of the next timer-1 tick has run.
    void runPrinterTick() { runUntil((now() / 5000 + 1) * 5000); }

    LocalPrinters printers{sw.hostA};
    std::uint64_t since = 0;
};

struct SlotCase {
    Form form;
    int slot;
    int button;
    const char* pendingImage;
    std::uint8_t claimed;
};

class PrinterInSlot : public PrinterPoll, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(PrinterInSlot, ClaimsThePortThroughItsButton) {
    sw.firmware.setPortId(GetParam().slot, {kBusyLaserJet.vendorId, kBusyLaserJet.productId});
    connect(GetParam().form);
    printers.add(kBusyLaserJet);  // its first job comes in now
    ASSERT_EQ(control.portIds[static_cast<std::size_t>(GetParam().slot)].vendorId, kBusyLaserJet.vendorId);
    runPrinterTick();
    EXPECT_EQ(windows.count(std::string("setButtonImage ") + std::to_string(GetParam().button) + " " +
                            GetParam().pendingImage),
              1u);
    EXPECT_EQ(control.claimMask, GetParam().claimed);
    EXPECT_EQ(control.pendingAction, 11);
    EXPECT_EQ(written(since), std::vector<std::string>{"StatusQuery"});
}

INSTANTIATE_TEST_SUITE_P(Slots, PrinterInSlot,
                         ::testing::Values(SlotCase{Form::FourPort, 0, 1004, "158", 0x01},
                                           SlotCase{Form::FourPort, 1, 1003, "157", 0x02},
                                           SlotCase{Form::FourPort, 2, 1002, "156", 0x04},
                                           SlotCase{Form::FourPort, 3, 1001, "168", 0x08},
                                           SlotCase{Form::FourPort, 4, 1001, "168", 0x08},
                                           SlotCase{Form::TwoPort, 0, 1002, "156", 0x04},
                                           SlotCase{Form::TwoPort, 1, 1001, "168", 0x08},
                                           SlotCase{Form::TwoPort, 2, 1002, "156", 0x04},
                                           SlotCase{Form::TwoPort, 4, 1001, "168", 0x08}));

TEST_F(PrinterPoll, PrinterInNoSlotReloadsTheRegistryOnEveryPrinterTick) {
    connect(Form::FourPort);
    printers.add(kBusyLaserJet);
    runPrinterTick();
    // The load, then a StatusQuery for the reply its waits may have taken.
    const std::vector<std::string> reload = {"StatusQuery",   "ReadPortId 01", "ReadPortId 02", "ReadPortId 04",
                                             "ReadPortId 08", "ReadPortId 10", "StatusQuery"};
    EXPECT_EQ(written(since), reload);
    EXPECT_EQ(control.pendingAction, 0);
    since = now();
    runPrinterTick();
    EXPECT_EQ(written(since), reload);
}

// The tick that handles the InfoReply after a reconnection is a printer tick:
// the InfoReply's StatusQuery is answered while the poll's registry load
// waits, and the load takes that reply. The panel still gets a status.
TEST_F(PrinterPoll, LoadInTheTickOfTheInfoReplyLeavesThePanelAStatus) {
    connect(Form::TwoPort);
    printers.add(kBusyLaserJet);  // in no slot: the poll loads the registry
    windows.postMessage(mainWindow(), win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);
    runUntil(now());
    const std::size_t before = panelRefreshes();
    control.controlTick(SwitchControl::kPrinterTimer);
    runTicks(1);
    EXPECT_EQ(panelRefreshes(), before + 1) << "a StatusReply reached the panel";
}

TEST_F(PrinterPoll, OnlyTimer1TicksPoll) {
    connect(Form::FourPort);
    printers.add(kBusyLaserJet);  // in no slot: every poll loads the registry
    runPrinterTick();
    // From just after one timer-1 tick until just before the next: four ticks of timer 0.
    since = now();
    runUntil((now() / 5000 + 1) * 5000 - 1);
    const std::vector<std::uint64_t> ticks = ticksOf(SwitchControl::kTickTimer);
    EXPECT_GE(std::count_if(ticks.begin(), ticks.end(), [this](std::uint64_t at) { return at > since; }), 3);
    EXPECT_TRUE(written(since).empty());
}

TEST_F(PrinterPoll, IdlePrinterOrOneThatIsHereIsLeftAlone) {
    sw.firmware.setPortId(2, {kBusyLaserJet.vendorId, kBusyLaserJet.productId});
    computer.usb.addDevice(computer.usb.rootHub(0), 3, 0x04B8, 0x0005, "EPSON Printer");
    connect(Form::FourPort);
    printers.add(kIdleLaserJet);
    printers.add(LocalPrinter{"EPSON LX-350", 0x04B8, 0x0005, 3});
    runPrinterTick();
    EXPECT_TRUE(written(since).empty());
    EXPECT_EQ(control.pendingAction, 0);
}

}  // namespace
}  // namespace pivora::test
