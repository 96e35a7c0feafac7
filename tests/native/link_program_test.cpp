#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "controller/hid_report_channel.h"
#include "controller/report_catalogue.h"
#include "link_fixture.h"
#include "link_raw_controller.h"
#include "printer/printer_guard.h"
#include "sim/switch_hub.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"

namespace pivora::test {
namespace {

using sim::SwitchHub;

// The portable program's own code, run over the link against the simulator.
class ProgramOverLink : public LinkTest {};

TEST_F(ProgramOverLink, EachHostsChannelExchangesInfoWithTheController) {
    std::unique_ptr<LinkedComputer> hostB = connect('B');
    ASSERT_TRUE(hostB->link.connection.connected());
    for (LinkedComputer* computer : {hostA.get(), hostB.get()}) {
        const std::uint8_t hostIndex = computer == hostA.get() ? 0 : 1;
        HidReportChannel channel(computer->platform.interfaces, computer->platform.hid, computer->clock,
                                 computer->trace);
        channel.setReportLength(8);
        ASSERT_EQ(channel.connectController(), 1);
        const std::uint8_t infoQuery[2] = {2, code::InfoQuery};
        ASSERT_EQ(channel.send(infoQuery, sizeof infoQuery), 8);
        std::array<std::uint8_t, 8> reply{};
        ASSERT_TRUE(eventually([&] { return channel.poll(reply.data()) == 8 && reply[1] == code::InfoReply; }));
        EXPECT_EQ(reply[2], 1);
        EXPECT_EQ(reply[3], 2);
        EXPECT_EQ(reply[4], 3);
        EXPECT_EQ(reply[5], hostIndex);
    }
    // The channels closed their device and events, and every operation ended.
    EXPECT_TRUE(stateShows(R"("A":{"connected":true,"released":true)"));
    EXPECT_TRUE(stateShows(R"("B":{"connected":true,"released":true)"));
}

TEST_F(ProgramOverLink, TopologyLocatesTheHubAndReadsTheDeviceOnAPortOnlyItsOwnerSees) {
    command("plug 2 04e8 6860 Galaxy Phone");
    std::unique_ptr<LinkedComputer> hostB = connect('B');
    for (LinkedComputer* computer : {hostA.get(), hostB.get()}) {
        const bool owner = computer == hostA.get();
        UsbTopology topology(computer->platform.interfaces, computer->platform.hubs);
        char hubName[UsbTopology::kNameSize] = {};
        ASSERT_EQ(topology.locateHub(SwitchHub::kVendorId, SwitchHub::kProductId, hubName), 1);
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::uint32_t isHub = 1;
        ASSERT_EQ(topology.queryHubPort(hubName, 2, &vendorId, &productId, &isHub), owner ? 1 : 0);
        EXPECT_EQ(vendorId, owner ? 0x04E8 : 0);
        EXPECT_EQ(productId, owner ? 0x6860 : 0);
        std::uint32_t devInst = 0;
        char description[UsbTopology::kDescriptionSize] = {};
        ASSERT_EQ(topology.findPresentDevice(0x04E8, 0x6860, &devInst, description), owner ? 1 : 0);
        EXPECT_STREQ(description, owner ? "Galaxy Phone" : "");
    }
    EXPECT_TRUE(stateShows(R"("A":{"connected":true,"released":true)"));
    EXPECT_TRUE(stateShows(R"("B":{"connected":true,"released":true)"));
}

// A stick plugged straight into A, of the same make as the one on port 2:
// the one on the port is found by its place, and only it is removed.
TEST_F(ProgramOverLink, DeviceOnAPortIsToldFromATwinPluggedIntoTheComputer) {
    command("local A 0781 5567 Cruzer Blade");
    command("plug 2 0781 5567 Cruzer Blade");
    UsbTopology topology(hostA->platform.interfaces, hostA->platform.hubs);
    char hubName[UsbTopology::kNameSize] = {};
    ASSERT_EQ(topology.locateHub(SwitchHub::kVendorId, SwitchHub::kProductId, hubName), 1);
    std::uint32_t twin = 0;
    ASSERT_EQ(topology.findPresentDevice(0x0781, 0x5567, &twin, nullptr), 1);
    std::uint32_t onPort = 0;
    ASSERT_EQ(topology.findDeviceOnHubPort(hubName, 2, 0x0781, 0x5567, &onPort), 1);
    EXPECT_NE(onPort, twin) << "the first one listed is the twin";

    DiagnosticTrace discarded;
    EXPECT_EQ(safeRemoveDevice(hostA->platform.removal, discarded, onPort), 0u);
    EXPECT_TRUE(stateShows(R"("local":[{"vid":"0781","pid":"5567","description":"Cruzer Blade","present":true}])"));
    command("local A unplug 0781 5567");
    EXPECT_TRUE(stateShows(R"("local":[]},"B")")) << "A lists no device of its own";
    EXPECT_EQ(server.execute("local A unplug 0781 5567").substr(0, 6), "error ");
}

TEST_F(ProgramOverLink, PrinterGuardReadsThePrinterItsUsbIdAndItsQueuedJob) {
    command("printer A Office Laser 04f9 0042");
    command("printer A Label Writer 0922 0020");
    command("job A Label Writer 3");
    PrinterGuard guard(hostA->platform.spooler, hostA->platform.registry);
    ASSERT_EQ(guard.countPrinters(), 2);
    const struct {
        const char* name;
        std::uint16_t vendorId;
        std::uint16_t productId;
        std::uint32_t jobs;
    } expected[] = {{"Office Laser", 0x04F9, 0x0042, 0}, {"Label Writer", 0x0922, 0x0020, 1}};
    for (std::uint32_t index = 0; index < 2; ++index) {
        char name[PrinterGuard::kNameSize] = {};
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        ASSERT_EQ(guard.getPrinterUsbId(index, name, &vendorId, &productId), 1) << index;
        EXPECT_STREQ(name, expected[index].name);
        EXPECT_EQ(vendorId, expected[index].vendorId);
        EXPECT_EQ(productId, expected[index].productId);
        std::uint32_t jobs = 9;
        ASSERT_EQ(guard.getPrinterJobs(index, &jobs), 1);
        EXPECT_EQ(jobs, expected[index].jobs);
    }
    EXPECT_TRUE(stateShows(R"("A":{"connected":true,"released":true)"));
}

TEST_F(ProgramOverLink, AClaimFromBMovesTheDeviceAndBothTreesChange) {
    command("plug 3 0781 5567 Cruzer Blade");
    std::unique_ptr<LinkedComputer> hostB = connect('B');
    RawController controllerA(hostA->platform.hid);
    RawController controllerB(hostB->platform.hid);
    ASSERT_TRUE(controllerA.open() && controllerB.open());

    ASSERT_TRUE(controllerB.write({2, code::ClaimPorts, 0x08, 0, 0, 0, 0, 0}));
    const std::optional<sim::WireReport> request = controllerA.read();
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ((*request)[1], code::ReleaseRequest);
    EXPECT_EQ((*request)[2], 0x08);
    ASSERT_TRUE(controllerA.write({2, code::ReleaseDone, 0x08, 0, 0, 0, 0, 0}));

    // The device leaves A at once and reaches B once the hub has enumerated it there.
    EXPECT_TRUE(hostA->treeChanges.reach(1));
    EXPECT_TRUE(hostB->treeChanges.reach(1));
    EXPECT_TRUE(stateShows(R"({"port":3,"owner":"B")"));
    UsbTopology topology(hostB->platform.interfaces, hostB->platform.hubs);
    std::uint32_t devInst = 0;
    char description[UsbTopology::kDescriptionSize] = {};
    EXPECT_EQ(topology.findPresentDevice(0x0781, 0x5567, &devInst, description), 1);
    EXPECT_STREQ(description, "Cruzer Blade");
}

TEST_F(ProgramOverLink, AHostThatGoesAwayGivesBackItsHandlesAndItsSlot) {
    // Outlive the link: it writes the read's end into them as it goes down.
    IoRecord record{};
    std::array<std::uint8_t, 8> buffer{};
    command("printer B Laser 04f9 0042");
    {
        std::unique_ptr<LinkedComputer> hostB = connect('B');
        HidDeviceApi& hid = hostB->platform.hid;
        const OsHandle device = hid.openDevice(sim::SimHidDevices::kControllerPath, 1);
        ASSERT_NE(device, nullptr);
        ASSERT_EQ(hid.readReport(device, buffer.data(), 8, &record), 0);
        ASSERT_EQ(hid.lastError(), kErrorIoPending);
        OsHandle key = nullptr;
        ASSERT_EQ(hostB->platform.registry.openLocalMachineKey("SYSTEM", &key), 0);
        EXPECT_TRUE(stateShows(R"("B":{"connected":true,"released":false)"));
    }
    EXPECT_EQ(record.internal, kStatusDeviceNotConnected);
    EXPECT_TRUE(stateShows(R"("B":{"connected":false,"released":true)"));
    std::unique_ptr<LinkedComputer> again = connect('B');
    EXPECT_TRUE(again->link.connection.connected());
}

}  // namespace
}  // namespace pivora::test
