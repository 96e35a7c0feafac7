#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "switch_dialog_fixture.h"
#include "ui/resource_ids.h"

namespace pivora::test {
namespace {

using sim::Host;

// Host A with port 3 on host B: a memory stick on port 2 here, a receiver on
// port 3 there whose ID host B stored in the controller's slot 3.
class Connection : public OneComputer {
protected:
    Connection() {
        sw.firmware.setFirmwareVersion(1, 2, 7);
        sw.firmware.setRawMask(0x08);
        sw.firmware.setPortId(3, {0x046D, 0xC52B});
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
    }
};

TEST_F(Connection, WholeExchangeRunsInOrderWithItsWaits) {
    start();
    runUntil(4000);

    const std::vector<std::string> exchange = {
        "InfoQuery",                   // hub located on the first tick
        "StatusQuery",                 // the registry load, right after the InfoReply
        "StorePortId 01 0000 0000",    // this computer's slots start empty
        "StorePortId 02 0000 0000",
        "StorePortId 04 0000 0000",
        "ReadPortId 08",               // the other computer's
        "ReadPortId 10",
        "StatusQuery",                 // after the load
        "StorePortId 04 0781 5567",    // the panel uploads port 2's device ...
        "ReadPortId 04",               // ... and reads it back
    };
    EXPECT_EQ(written(), exchange);
    // Each write completes 4 ms after it is issued and is seen at the send's
    // next 10 ms step; then queries are paced 20 ms, everything else 600 ms.
    // Every reply is there at the first poll.
    const std::vector<std::uint64_t> times = {1004, 1034, 1064, 1674, 2284, 2894, 2924, 2954, 2984, 3594};
    EXPECT_EQ(writeTimes(), times);

    EXPECT_EQ(windows.timesOf("setControlText 1019 2-2"), std::vector<std::uint64_t>{1000});
    EXPECT_EQ(windows.timesOf("setControlText 1017 1.2.7"), std::vector<std::uint64_t>{1030});
    EXPECT_EQ(windows.timesOf("setControlText 1018 A"), std::vector<std::uint64_t>{1030});
    EXPECT_EQ(windows.timesOf("setControlText 1010 SanDisk Cruzer"), std::vector<std::uint64_t>{2980});
    EXPECT_EQ(windows.timesOf("setControlText 1009 Logitech Receiver"), std::vector<std::uint64_t>{3620})
        << "the other computer's port is named from the registry";
    for (const char* image : {"setButtonImage 1002 151", "setButtonImage 1006 147", "setButtonImage 1001 160",
                              "setButtonImage 1005 164"})
        EXPECT_EQ(windows.timesOf(image), std::vector<std::uint64_t>{3620}) << image;

    // The tick at 2000 fell inside the first tick's handler and comes once, late.
    EXPECT_EQ(ticksOf(SwitchControl::kTickTimer), (std::vector<std::uint64_t>{1000, 2980, 3620, 4000}));

    EXPECT_EQ(control.ownedMask, 0xF7);
    EXPECT_EQ(control.hubKind, TwoPort);
    EXPECT_EQ(control.idsLoaded, 1);
    const std::vector<std::vector<int>> slots = {{0, 0, 0}, {0, 0, 0}, {0x0781, 0x5567, 1}, {0x046D, 0xC52B, 0}, {0, 0, 0}};
    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ((std::vector<int>{control.portIds[i].vendorId, control.portIds[i].productId, control.portIds[i].valid}),
                  slots[i])
            << "slot " << i;
    EXPECT_EQ(windows.bitmapsLoaded, 12) << "images are loaded once, at setup";
}

TEST_F(Connection, LaterLoadsReadOnlyTheOtherComputersSlotsAndAnUnchangedSlotIsNotStored) {
    start();
    runUntil(4000);
    windows.postMessage(mainWindow(), win::kWmDeviceChange, 7, 0);
    const std::uint64_t since = now();
    runUntil(9000);
    EXPECT_EQ(written(since), (std::vector<std::string>{"InfoQuery", "StatusQuery", "ReadPortId 08", "ReadPortId 10",
                                                        "StatusQuery"}));
    EXPECT_EQ(control.portIds[2].valid, 1);
}

TEST_F(Connection, PortIdReplyThatNeverComesResetsAndTheNextTickReconnects) {
    sw.firmware.withholdReplies(code::ReadPortId, 1);
    start();
    runUntil(1000);
    // ReadPortId 08 was seen written at 2900; after its 20 ms pacing the
    // wait polls 51 times, 100 ms apart, then gives up.
    EXPECT_EQ(control.controllerOpen, 0);
    EXPECT_EQ(control.hubReady, 0);
    EXPECT_EQ(control.idsLoaded, 0);
    for (const PortIdSlot& slot : control.portIds) EXPECT_EQ(slot.vendorId | slot.productId | slot.valid, 0);
    EXPECT_EQ(written().back(), "StatusQuery") << "the tick still asks on the open channel";
    EXPECT_EQ(writeTimes().back(), 2920u + 51 * 100 + 4);

    const std::uint64_t since = now();
    runUntil(now() + 1);
    const std::vector<std::string> again = written(since);
    ASSERT_GE(again.size(), 3u);
    EXPECT_EQ(again[0], "InfoQuery") << "reconnected on the next tick";
    EXPECT_EQ(again[2], "StorePortId 01 0000 0000") << "a load after a time-out starts from empty slots again";
}

TEST_F(Connection, UploadThatReadsBackAnotherIdTriesTwiceAndFails) {
    start();
    runUntil(4000);
    sw.firmware.refuseStores(true);
    const std::uint64_t since = now();
    EXPECT_EQ(control.storeAndVerifyPortId(0x04, 0x1234, 0x5678), 0);
    EXPECT_EQ(written(since), (std::vector<std::string>{"StorePortId 04 1234 5678", "ReadPortId 04",
                                                        "StorePortId 04 1234 5678", "ReadPortId 04"}));
    EXPECT_EQ(now() - since, 2u * (610 + 30)) << "each reply is read at once; the IDs differ";
}

TEST_F(Connection, PortIdClearedEmptiesItsSlotsAndRediscovers) {
    sw.firmware.setPortId(4, {0x1111, 0x2222});
    start();
    runUntil(4000);
    ASSERT_EQ(control.portIds[4].vendorId, 0x1111);

    sw.firmware.sendPortIdCleared(Host::A, 0x14);
    sw.clock.runDue();
    const std::uint64_t since = now();
    control.controlTick(SwitchControl::kTickTimer);
    EXPECT_EQ(control.portIds[2].vendorId | control.portIds[2].valid, 0);
    EXPECT_EQ(control.portIds[4].vendorId, 0);
    EXPECT_EQ(control.portIds[3].vendorId, 0x046D) << "slots not named are kept";
    runUntil(now());
    EXPECT_EQ(commandsHandled().back(), Command::DeviceChanged) << "the control asked itself";
    EXPECT_EQ(control.controllerOpen, 0) << "the device change starts a rediscovery";

    runUntil(10000);
    const std::vector<std::string> after = written(since);
    EXPECT_EQ(after.front(), "InfoQuery");
    EXPECT_EQ(std::count(after.begin(), after.end(), "StorePortId 04 0781 5567"), 1)
        << "the cleared slot of this computer's port is stored again";
    EXPECT_EQ(std::count(after.begin(), after.end(), "StorePortId 01 0000 0000"), 0) << "the registry was loaded before";
}

TEST_F(Connection, DebugClearDumpsEverySlotOnALineOfItsOwn) {
    start();
    runUntil(4000);
    control.portIds[2] = PortIdSlot{0x04B4, 0x120D, 1};
    const std::size_t before = trace.lines().size();
    windows.postMessage(mainWindow(), win::kWmCommand, IDC_DEBUG_CLEAR, 0);
    runUntil(now());
    std::vector<std::string> dumped;
    for (std::size_t index = before; index < trace.lines().size(); ++index)
        if (trace.lines()[index].first == TraceChannel::Text) dumped.push_back(trace.lines()[index].second);
    EXPECT_EQ(dumped, (std::vector<std::string>{"0 0000 0000 0000\r\n", "1 0000 0000 0000\r\n", "2 04B4 120D 0001\r\n",
                                                "3 046D C52B 0000\r\n", "4 0000 0000 0000\r\n"}));
}

// What a report does to a computer that is Ready, by the action waiting for
// a status: a StatusReply completes a claim or a double tap without touching
// the panel; an InfoReply clears what waits, and reads any host byte but 0
// as host B.
struct ReportCase {
    const char* name;
    int pendingAction;
    sim::WireReport report;
    int hostIndex;
    bool panelRefreshed;
};

class ReportWhileWaiting : public Connection, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportWhileWaiting, CompletesOrClearsWhatWaits) {
    start();
    runUntil(4000);
    control.pendingAction = GetParam().pendingAction;
    control.claimMask = 0x04;
    const auto refreshes = panelRefreshes();
    sw.firmware.sendRaw(Host::A, GetParam().report);
    sw.clock.runDue();
    control.controlTick(SwitchControl::kTickTimer);
    EXPECT_EQ(control.pendingAction, 0);
    EXPECT_EQ(control.hostIndex, GetParam().hostIndex);
    EXPECT_EQ(panelRefreshes() > refreshes, GetParam().panelRefreshed);
}

constexpr std::uint8_t kInfo = code::InfoReply;
constexpr std::uint8_t kStatus = code::StatusReply;

INSTANTIATE_TEST_SUITE_P(
    Reports, ReportWhileWaiting,
    ::testing::Values(ReportCase{"StatusWhileToggling", 10, {2, kStatus, 0x08, 0, 0, 0, 0, 0}, 0, false},
                      ReportCase{"StatusWhileClaiming", 11, {2, kStatus, 0x08, 0, 0, 0, 0, 0}, 0, false},
                      ReportCase{"StatusWithNothingWaiting", 0, {2, kStatus, 0x08, 0, 0, 0, 0, 0}, 0, true},
                      ReportCase{"InfoOfHostA", 11, {2, kInfo, 1, 2, 7, 0, 0, 0}, 0, false},
                      ReportCase{"InfoOfHostB", 10, {2, kInfo, 1, 2, 7, 1, 0, 0}, 1, false},
                      ReportCase{"InfoOfHost2", 11, {2, kInfo, 1, 2, 7, 2, 0, 0}, 1, false},
                      ReportCase{"InfoOfHostFF", 11, {2, kInfo, 1, 2, 7, 0xFF, 0, 0}, 1, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Connection, ReleaseRequestDuringARegistryLoadIsHandledAfterIt) {
    // Arrives while the load reads slot 3, so the wait for slot 4 passes over it.
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::ReleaseRequest, 0x04, 0, 0, 0, 0, 0}, 2870);
    start();
    runUntil(1000);
    EXPECT_EQ(control.idsLoaded, 1);
    EXPECT_EQ(control.deferredReports.size(), 1u);
    const std::uint64_t loaded = now();

    runUntil(now() + 1);
    EXPECT_EQ(control.deferredReports.size(), 0u);
    // Taken before the StatusReply the channel holds, and answered in full.
    EXPECT_EQ(written(loaded),
              (std::vector<std::string>{"StatusQuery", "ReleaseGrant 04", "ReleaseDone 04"}));
    EXPECT_TRUE(windows.timesOf("setControlText 1010 SanDisk Cruzer").empty()) << "one report per tick";
}

TEST_F(Connection, KeepAliveAsksOnTheSeventhFollowUpAndNotWhileAReportWaits) {
    start();
    runUntil(4500);
    const std::uint64_t since = now();
    control.keepAliveCountdown = 7;
    for (int tick = 1; tick <= 6; ++tick) control.controlTick(SwitchControl::kTickTimer);
    EXPECT_TRUE(written(since).empty());
    control.controlTick(SwitchControl::kPrinterTimer);
    EXPECT_EQ(written(since), std::vector<std::string>{"StatusQuery"});
    EXPECT_EQ(control.keepAliveCountdown, 0);
    control.controlTick(SwitchControl::kTickTimer);  // takes the reply
    control.controlTick(SwitchControl::kTickTimer);
    EXPECT_EQ(written(since).size(), 1u) << "the countdown rests at 0";

    // Two reports from the controller: the tick takes one, the other waits.
    control.keepAliveCountdown = 1;
    const std::uint64_t later = now();
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, 0x70, 0, 0, 0, 0, 0, 0});
    sw.firmware.sendRaw(Host::A, sim::WireReport{2, 0x71, 0, 0, 0, 0, 0, 0});
    sw.clock.runDue();
    control.controlTick(SwitchControl::kTickTimer);
    EXPECT_TRUE(written(later).empty());
    EXPECT_EQ(control.keepAliveCountdown, 0);
}

// Masks as both computers read the same raw byte, and the first registry
// load they make from it: this computer's slots emptied, the others read.
struct MaskCase {
    Host host;
    std::uint8_t raw;
    std::uint8_t owned;
    const char* letter;
    std::vector<std::string> load;
};

class Masks : public OneComputer, public ::testing::WithParamInterface<MaskCase> {
protected:
    Masks() : OneComputer(GetParam().host) { sw.firmware.setRawMask(GetParam().raw); }
};

TEST_P(Masks, OwnedPortsAndHostLetter) {
    start();
    runUntil(6000);
    EXPECT_EQ(control.hostIndex, GetParam().host == Host::B ? 1 : 0);
    EXPECT_EQ(control.ownedMask, GetParam().owned);
    EXPECT_EQ(control.hubKind, TwoPort) << "each host sees the controller on its own internal port";
    EXPECT_EQ(windows.timesOf(std::string("setControlText 1018 ") + GetParam().letter).size(), 1u);

    const std::vector<std::string> all = written();
    ASSERT_GE(all.size(), 2 + GetParam().load.size());
    EXPECT_EQ(std::vector<std::string>(all.begin() + 2, all.begin() + 2 + static_cast<std::ptrdiff_t>(GetParam().load.size())),
              GetParam().load);
}

const std::string kEmpty01 = "StorePortId 01 0000 0000";
const std::string kEmpty02 = "StorePortId 02 0000 0000";
const std::string kEmpty04 = "StorePortId 04 0000 0000";
const std::string kEmpty08 = "StorePortId 08 0000 0000";
const std::string kEmpty10 = "StorePortId 10 0000 0000";

// Slot 4 goes with port 3.
INSTANTIATE_TEST_SUITE_P(
    RawStatus, Masks,
    ::testing::Values(
        MaskCase{Host::A, 0x0C, 0xF3, "A", {kEmpty01, kEmpty02, "ReadPortId 04", "ReadPortId 08", "ReadPortId 10"}},
        MaskCase{Host::B, 0x08, 0x08, "B", {"ReadPortId 01", "ReadPortId 02", "ReadPortId 04", kEmpty08, kEmpty10}},
        MaskCase{Host::A, 0x04, 0xFB, "A", {kEmpty01, kEmpty02, "ReadPortId 04", kEmpty08, kEmpty10}},
        MaskCase{Host::B, 0x00, 0x00, "B",
                 {"ReadPortId 01", "ReadPortId 02", "ReadPortId 04", "ReadPortId 08", "ReadPortId 10"}}));

// The switch model and the firmware text.
struct ModelCase {
    sim::SwitchHub::Form form;
    std::array<std::uint8_t, 3> version;
    HubKind kind;
    const char* type;
    const char* firmware;
};

class Model : public OneComputer, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(Model, TypeAndFirmwareTexts) {
    sw.hub.setForm(GetParam().form);
    const auto& version = GetParam().version;
    sw.firmware.setFirmwareVersion(version[0], version[1], version[2]);
    start();
    runUntil(1500);
    EXPECT_EQ(control.hubKind, GetParam().kind);
    EXPECT_EQ(windows.timesOf(std::string("setControlText 1019 ") + GetParam().type).size(), 1u);
    EXPECT_EQ(windows.timesOf(std::string("setControlText 1017 ") + GetParam().firmware).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, Model,
    ::testing::Values(ModelCase{sim::SwitchHub::Form::TwoPort, {1, 2, 3}, TwoPort, "2-2", "1.2.3"},
                      ModelCase{sim::SwitchHub::Form::FourPort, {0, 5, 3}, FourPort, "2-4", ".5.3"},
                      ModelCase{sim::SwitchHub::Form::FourPort, {10, 0, 255}, FourPort, "2-4", "10.0.255"}));

TEST_F(Connection, WithoutControllerEveryTickClearsThePanel) {
    start();
    runUntil(4000);
    ASSERT_TRUE(panel().ports[2].visible);
    computer.hid.unplug(sw.controllerOnA);
    control.portIds[3] = PortIdSlot{1, 2, 1};
    const std::size_t before = windows.calls.size();
    runUntil(6000);

    EXPECT_EQ(panel(), PanelState{}) << "no rows, no status";
    EXPECT_EQ(control.portIds[3].valid, 0);
    std::vector<std::string> shown(windows.calls.begin() + static_cast<std::ptrdiff_t>(before), windows.calls.end());
    for (const char* line : {"showControl 1010 0", "showControl 1020 0", "showControl 1001 0", "showControl 1005 0",
                             "setControlText 1017 ", "setControlText 1018 ", "setControlText 1019 "})
        EXPECT_NE(std::find(shown.begin(), shown.end(), line), shown.end()) << line;

    // Cleared again on every tick, but an empty panel draws nothing new.
    const std::size_t cleared = windows.calls.size();
    runUntil(8000);
    EXPECT_EQ(windows.calls.size(), cleared);
}

TEST_F(OneComputer, ControllerThatFailsToOpenIsTriedAgainEveryTick) {
    computer.hid.setFault(sw.controllerOnA, sim::SimHidDevices::Fault::OverlappedOpenFails);
    start();
    runUntil(2500);
    EXPECT_EQ(control.controllerOpen, 0);
    EXPECT_TRUE(written().empty());
    computer.hid.setFault(sw.controllerOnA, sim::SimHidDevices::Fault::None);
    runUntil(3000);
    ASSERT_FALSE(written().empty());
    EXPECT_EQ(written().front(), "InfoQuery");
    EXPECT_EQ(writeTimes().front(), 3004u);
}

TEST_F(Connection, HubWhosePortCountCannotBeReadIsAskedAgainBeforeGoingOn) {
    sim::SimUsbTree::HubFaults& hub = computer.usb.hubFaults(sw.hubOn(Host::A));
    hub.nodeInformationFails = true;
    start();
    runUntil(3500);
    EXPECT_EQ(control.hubReady, 0) << "no model, so not ready";
    EXPECT_TRUE(written().empty());
    hub.nodeInformationFails = false;
    runUntil(8000);
    EXPECT_EQ(control.hubKind, TwoPort);
    ASSERT_FALSE(written().empty());
    EXPECT_EQ(written().front(), "InfoQuery");
    EXPECT_EQ(writeTimes().front(), 4004u) << "the first tick after the count could be read";
    EXPECT_FALSE(windows.timesOf("setControlText 1010 SanDisk Cruzer").empty()) << "the rows are shown";
}

TEST_F(Connection, ControllerGoneWithoutADeviceChangeIsLookedForAgain) {
    start();
    runUntil(4000);
    ASSERT_EQ(control.hubReady, 1);
    // The read fails with the device gone; no device change comes.
    computer.hid.unplug(sw.controllerOnA);
    runUntil(5500);
    EXPECT_EQ(control.controllerOpen, 0);
    EXPECT_FALSE(windows.timesOf("setControlText 1017 ").empty()) << "the panel is cleared";
    computer.hid.plug(sw.controllerOnA);
    const std::uint64_t since = now();
    runUntil(now() + 1000);
    ASSERT_FALSE(written(since).empty());
    EXPECT_EQ(written(since).front(), "InfoQuery");
}

}  // namespace
}  // namespace pivora::test
