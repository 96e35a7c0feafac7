#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "local_printers.h"
#include "switch_dialog_fixture.h"

namespace pivora::test {
namespace {

using sim::Host;
using Form = sim::SwitchHub::Form;

constexpr std::uint32_t kRemovalVetoed = 0x17;  // CR_REMOVE_VETOED

// Host A connected, every port its own, with a stick on port 2 and a disk
// on port 3 (and on ports 0 and 1 of a FourPort switch, a keyboard and a
// mouse). Host B asks for ports through the controller.
class Release : public OneComputer {
protected:
    void connect(Form form) {
        sw.hub.setForm(form);
        if (form == Form::FourPort) {
            sw.hub.plugDevice(0, 0x046D, 0xC31D, "USB Keyboard");
            sw.hub.plugDevice(1, 0x045E, 0x0040, "USB Mouse");
        }
        stick = sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        disk = sw.hub.plugDevice(3, 0x1058, 0x25A2, "WD Elements");
        start();
        runUntil(9000);
        ASSERT_EQ(control.hubReady, 1);
    }

    // The controller asks this computer for `ports`, as when the other computer claims them.
    void otherComputerAsksFor(std::uint8_t ports) {
        since = now();
        sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::ReleaseRequest, ports, 0, 0, 0, 0, 0});
    }

    std::vector<std::string> saferemoveLines() const {
        std::vector<std::string> lines;
        for (const auto& entry : trace.lines())
            if (entry.second.rfind("SafeRemove", 0) == 0) lines.push_back(entry.second);
        return lines;
    }

    int stick = -1;
    int disk = -1;
    std::uint64_t since = 0;
};

TEST_F(Release, ControllersRequestIsGrantedRemovedAndDone) {
    connect(Form::TwoPort);
    otherComputerAsksFor(0x04);
    runUntil(now() + 3000);

    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    const std::vector<std::uint64_t> times = writeTimes(since);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[1] - times[0], 30u) << "the StatusReply is there at the first poll";
    EXPECT_EQ(times[2] - times[1], 610u + 1000u) << "the grant's pacing, then a second before the confirmation";
    EXPECT_EQ(saferemoveLines(), std::vector<std::string>{"SafeRemove USB ID=0781 5567\r\n"});
    ASSERT_EQ(computer.usb.removalCalls().size(), 1u);
    EXPECT_EQ(computer.usb.removalCalls()[0].kind, sim::SimUsbTree::RemovalKind::Eject);
    EXPECT_EQ(sw.firmware.rawMask(), 0x04) << "port 2 is host B's";
    EXPECT_EQ(windows.count("showWindow b051"), 0u) << "no busy notice";
}

TEST_F(Release, DeviceInUseKeepsItsPortAndTheUserIsTold) {
    connect(Form::TwoPort);
    sw.hub.device(stick).refusal = sim::RemovalRefusal{kRemovalVetoed, "", 0};
    otherComputerAsksFor(0x0C);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 0C", "ReleaseDone 08"}))
        << "granted, but left out of the confirmation";
    EXPECT_EQ(windows.count("showWindow b051 5"), 1u);
    EXPECT_EQ(sw.firmware.rawMask(), 0x08);
    EXPECT_EQ(panel().refusal, (Refusal{1, 0x04, 0x00})) << "the window is told which port stayed, and why";
}

TEST_F(Release, BusyPrinterKeepsItsPortAndTheWindowIsToldWhy) {
    connect(Form::TwoPort);
    LocalPrinters printers{sw.hostA};
    printers.add({"WD Label Printer", 0x1058, 0x25A2, 2});  // the device on port 3, with jobs
    otherComputerAsksFor(0x0C);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    EXPECT_EQ(panel().refusal, (Refusal{1, 0x00, 0x08}));

    // A request that takes everything it asks for tells nothing new.
    otherComputerAsksFor(0x04);
    runUntil(now() + 3000);
    EXPECT_EQ(panel().refusal.count, 1u);
}

// A device that takes 8 s to be removed, a disk flushing its cache say: the
// confirmation waits for the removal's answer, then its second; a busy one
// refuses only once its time is over, and keeps its port.
struct SlowCase {
    const char* name;
    bool busy;
    const char* done;
    std::uint8_t rawMask;
};

void PrintTo(const SlowCase& c, std::ostream* os) { *os << c.name; }

class SlowRemoval : public Release, public ::testing::WithParamInterface<SlowCase> {};

TEST_P(SlowRemoval, HoldsUpTheConfirmationByItsTime) {
    connect(Form::TwoPort);
    sw.hub.device(stick).removalMs = 8000;
    if (GetParam().busy) sw.hub.device(stick).refusal = sim::RemovalRefusal{kRemovalVetoed, "", 0};
    otherComputerAsksFor(0x04);
    runTicks(1);  // the tick that runs the flow
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", GetParam().done}));
    const std::vector<std::uint64_t> times = writeTimes(since);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[2] - times[1], 610u + 8000u + 1000u) << "the grant's pacing, the removal, then the second";
    EXPECT_EQ(sw.firmware.rawMask(), GetParam().rawMask);
}

INSTANTIATE_TEST_SUITE_P(Devices, SlowRemoval,
                         ::testing::Values(SlowCase{"Removed", false, "ReleaseDone 04", 0x04},
                                           SlowCase{"Busy", true, "ReleaseDone 00", 0x00}),
                         [](const auto& param) { return std::string(param.param.name); });

// While the control waits 8 s for a removal, the window handles what comes
// to it at once: a paint, the tray icon's double click, a click on another
// row. The click reaches the control as a command, which runs (and shows
// its pending image) once the flow is over.
TEST_F(Release, TheWindowAnswersThroughASlowRemoval) {
    connect(Form::TwoPort);
    sw.hub.device(stick).removalMs = 8000;
    otherComputerAsksFor(0x04);
    // The flow starts at the next tick, within a second; its removal then
    // runs from before 2 s on to past 8.6 s.
    constexpr std::uint32_t kPaint = 0x000F;
    const std::uint64_t asked = since;
    sw.clock.schedule(3000, [this] { windows.postMessage(mainWindow(), kPaint, 0, 0); });
    sw.clock.schedule(4000, [this] {
        windows.postMessage(mainWindow(), win::kWmSwitchTray, 0, win::kWmLButtonDblClk);
    });
    sw.clock.schedule(5000, [this] {
        windows.postMessage(mainWindow(), win::kWmCommand, 1005, 0);  // port 3's release arrow
    });
    runUntil(asked + 12000);

    const std::vector<std::uint64_t> times = writeTimes(asked);
    ASSERT_GE(times.size(), 3u);
    const std::uint64_t done = times[2];
    ASSERT_GT(done, asked + 8600) << "the removal held up the confirmation";
    std::vector<std::uint64_t> dispatchedAt;
    for (const auto& message : windows.dispatched())
        if (message.time > asked && (message.message == kPaint || message.message == win::kWmSwitchTray ||
                                     message.message == win::kWmCommand))
            dispatchedAt.push_back(message.time);
    EXPECT_EQ(dispatchedAt, (std::vector<std::uint64_t>{asked + 3000, asked + 4000, asked + 5000}));
    EXPECT_EQ(windows.timesOf("showWindow 77 1"), std::vector<std::uint64_t>{asked + 4000}) << "the window opened";

    std::uint64_t clickTaken = 0;
    for (const auto& item : loop.handled())
        if (item.command.kind == Command::Release) clickTaken = item.time;
    EXPECT_GE(clickTaken, done) << "the control took the click once the flow was over";
    EXPECT_EQ(windows.timesOf("setButtonImage 1005 168"), std::vector<std::uint64_t>{clickTaken});
}

// A stick of the same make plugged straight into this computer, listed
// before the one on the switch. Only the one on the port that leaves is
// removed; the other stays, and being busy it does not keep the port.
class TwinOutsideTheSwitch : public Release, public ::testing::WithParamInterface<bool> {};

TEST_P(TwinOutsideTheSwitch, IsLeftAlone) {
    const bool twinBusy = GetParam();
    const int twin = computer.usb.addDevice(computer.usb.rootHub(0), 3, 0x0781, 0x5567, "SanDisk Cruzer");
    if (twinBusy) computer.usb.refuseRemoval(twin, sim::RemovalRefusal{kRemovalVetoed, "", 0});
    connect(Form::TwoPort);
    otherComputerAsksFor(0x04);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    ASSERT_EQ(computer.usb.removalCalls().size(), 1u);
    EXPECT_EQ(computer.usb.removalCalls()[0].devInst,
              computer.usb.devInst(computer.usb.switchDeviceNode(sw.hubOn(Host::A), stick)))
        << "the stick on the switch's port";
    EXPECT_TRUE(computer.usb.present(twin));
    EXPECT_EQ(sw.hub.deviceSeenBy(Host::B, 2), stick);
    EXPECT_EQ(windows.count("showWindow b051"), 0u) << "no busy notice";
}

INSTANTIATE_TEST_SUITE_P(Twins, TwinOutsideTheSwitch, ::testing::Values(false, true),
                         [](const auto& param) { return std::string(param.param ? "Busy" : "Idle"); });

// A device this computer cannot find goes with its port, without a removal attempt.
struct UnfoundCase {
    const char* why;
    void (*hide)(sim::SimulatedSwitch& sw, int stick);
};

class UnfoundDevice : public Release, public ::testing::WithParamInterface<UnfoundCase> {};

TEST_P(UnfoundDevice, StaysInReleaseDone) {
    connect(Form::TwoPort);
    GetParam().hide(sw, stick);
    otherComputerAsksFor(0x04);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    EXPECT_TRUE(computer.usb.removalCalls().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, UnfoundDevice,
    ::testing::Values(UnfoundCase{"PathWithoutItsId",
                                  [](sim::SimulatedSwitch& sw, int stick) {
                                      sw.hub.device(stick).path =
                                          "\\\\?\\usb#7&1c4b2a9&0&3#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
                                  }},
                      UnfoundCase{"PortsDriverKeyUnreadable",
                                  [](sim::SimulatedSwitch& sw, int) {
                                      sw.hostA.usb.portFaults(sw.hubOn(Host::A), 3).driverKeyName =
                                          sim::SimUsbTree::NameFault::EveryCallFails;
                                  }}),
    [](const auto& param) { return std::string(param.param.why); });

TEST_F(Release, TwoPortSwitchNeverGrantsPorts0And1) {
    connect(Form::TwoPort);
    otherComputerAsksFor(0x0F);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 0C", "ReleaseDone 0C"}));
}

// The pause before port 3 of a FourPort switch is there whatever is asked.
struct PauseCase {
    Form form;
    std::uint8_t asked;
    std::uint64_t grantToDone;
};

class ReleasePause : public Release, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(ReleasePause, BetweenGrantAndDone) {
    connect(GetParam().form);
    otherComputerAsksFor(GetParam().asked);
    runUntil(now() + 3000);
    const std::vector<std::uint64_t> times = writeTimes(since);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[2] - times[1], GetParam().grantToDone);
}

INSTANTIATE_TEST_SUITE_P(Switches, ReleasePause,
                         ::testing::Values(PauseCase{Form::TwoPort, 0x04, 1610}, PauseCase{Form::FourPort, 0x01, 1710},
                                           PauseCase{Form::FourPort, 0x08, 1710}));

TEST_F(Release, NothingIsAnsweredForPortsThatAreNotHere) {
    sw.firmware.setRawMask(0x08);
    connect(Form::TwoPort);
    otherComputerAsksFor(0x08);
    runUntil(now() + 3000);
    EXPECT_EQ(written(since), std::vector<std::string>{"StatusQuery"});
}

TEST_F(Release, WithoutStatusReplyNothingIsSentAndTheTickEnds) {
    connect(Form::TwoPort);
    sw.firmware.withholdReplies(code::StatusQuery, 1);
    control.keepAliveCountdown = 0;
    otherComputerAsksFor(0x04);
    runTicks(1);
    // 51 polls, 100 ms apart: the tick ends there, before its follow-up step.
    EXPECT_EQ(written(since), std::vector<std::string>{"StatusQuery"});
    EXPECT_EQ(control.keepAliveCountdown, 7);
    EXPECT_EQ(sw.firmware.rawMask(), 0x00);
}

TEST_F(Release, ReportsArrivingMeanwhileAreDrainedButTheOtherComputersRequestsAreKept) {
    connect(Form::TwoPort);
    otherComputerAsksFor(0x04);
    // During the second before the confirmation: a StatusReply that would
    // say port 3 is gone, and a second request, for port 3.
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::StatusReply, 0x08, 0, 0, 0, 0, 0}, 1200);
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::ReleaseRequest, 0x08, 0, 0, 0, 0, 0}, 1300);
    const std::size_t namesBefore = windows.count("setControlText 1009");
    runTicks(1);  // the tick that runs the flow
    EXPECT_EQ(control.ownedMask, 0xFF) << "the drained StatusReply changed nothing";
    EXPECT_EQ(windows.count("setControlText 1009"), namesBefore);
    EXPECT_EQ(control.deferredReports.size(), 1u);

    // The stick's removal changed the device tree, so the next tick finds
    // the controller afresh; its report step answers the kept request first.
    runTicks(1);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04", "InfoQuery",
                                                        "StatusQuery", "ReleaseGrant 08", "ReleaseDone 08"}));
}

TEST_F(Release, KeptRequestAnsweredInTheTickThatSentInfoQueryDoesNotLoseTheInfoReply) {
    sw.firmware.setRawMask(0x08);
    connect(Form::TwoPort);
    // A request a wait passed over, then a device change: the next tick
    // connects, sends InfoQuery and answers the kept request first, whose
    // wait for its StatusReply takes the InfoReply from the channel.
    const sim::WireReport kept{2, code::ReleaseRequest, 0x08, 0, 0, 0, 0, 0};
    ASSERT_TRUE(control.deferredReports.keepIfDeferred(kept.data(), static_cast<int>(kept.size())));
    control.hostIndex = 1;  // as an earlier, untrue InfoReply left it
    windows.postMessage(mainWindow(), win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);
    runTicks(3);
    EXPECT_EQ(control.hostIndex, 0) << "the InfoReply was handled";
    EXPECT_EQ(panel().host, "A");
    EXPECT_EQ(control.ownedMask, 0xF7);
}

}  // namespace
}  // namespace pivora::test
