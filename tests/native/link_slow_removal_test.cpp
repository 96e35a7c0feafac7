#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <future>
#include <optional>
#include <string>
#include <thread>

#include "link/frame_writer.h"
#include "link_fixture.h"
#include "sim/simulated_switch.h"
#include "sim/switch_hub.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"

namespace pivora::test {
namespace {

using sim::SwitchHub;

struct SlowCommandCase {
    const char* line;
    const char* answer;  // the whole answer, or its start for an error
    std::uint32_t removalMs;  // the device's removal time afterwards
};

void PrintTo(const SlowCommandCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }

// The stick on port 2 takes 500 ms to be removed when each line is given.
class SlowCommand : public LinkTest, public ::testing::WithParamInterface<SlowCommandCase> {};

TEST_P(SlowCommand, SetsTheRemovalTimeOfTheDeviceOnThePortOrSaysWhatIsWrong) {
    command("plug 2 0781 5567 SanDisk Cruzer");
    command("slow 2 500");
    const std::string answer = server.execute(GetParam().line);
    EXPECT_EQ(answer.substr(0, std::string(GetParam().answer).size()), GetParam().answer);
    EXPECT_NE(state().find("\"removalMs\":" + std::to_string(GetParam().removalMs) + "}"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SlowCommand,
    ::testing::Values(SlowCommandCase{"slow 2 8000", "ok port 2 removal takes 8000 ms", 8000},
                      SlowCommandCase{"slow 2 0x1f40", "ok port 2 removal takes 8000 ms", 8000},
                      SlowCommandCase{"slow 2 60000", "ok port 2 removal takes 60000 ms", 60000},
                      SlowCommandCase{"slow 2 0", "ok port 2 removal takes 0 ms", 0},
                      SlowCommandCase{"slow 2 60001", "error usage: slow <port> <ms> (0 to 60000)", 500},
                      SlowCommandCase{"slow 2 -1", "error usage: slow", 500},
                      SlowCommandCase{"slow 2 8s", "error usage: slow", 500},
                      SlowCommandCase{"slow 4 100", "error usage: slow", 500},
                      SlowCommandCase{"slow 2", "error usage: slow", 500},
                      SlowCommandCase{"slow 2 100 ms", "error usage: slow", 500},
                      SlowCommandCase{"slow 3 100", "error nothing on port 3", 500}));

// A removal call for a device that takes 8 s to be removed, served by the
// simulator in virtual time to a client without a socket. Answered at its
// time; of a client gone meanwhile, it never reaches the model.
class HeldRemoval : public ::testing::TestWithParam<bool> {
protected:
    std::vector<std::uint8_t> eject() {
        sim::SimUsbTree& usb = simulated.hostA.usb;
        const std::uint32_t devInst = usb.devInst(usb.switchDeviceNode(simulated.hubOn(sim::Host::A), stick));
        const std::uint32_t vetoType = 0;
        const std::array<char, 8> vetoName{};
        link::FrameWriter frame(link::MessageType::RequestEject);
        frame.u32(devInst);
        frame.optionalU32(&vetoType);
        frame.buffer(vetoName.data(), vetoName.size());
        frame.u32(vetoName.size());
        frame.u32(0);
        return frame.finish();
    }

    sim::SimulatedSwitch simulated;
    const int stick = simulated.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    switchsim::OrphanedIo orphans;
    std::optional<switchsim::ClientConnection> client{std::in_place, simulated, [](sim::Host) { return false; },
                                                      orphans};
};

TEST_P(HeldRemoval, IsAnsweredAtItsTimeUnlessItsClientHasGone) {
    const bool clientGoes = GetParam();
    simulated.hub.device(stick).removalMs = 8000;
    deliver(*client, helloFrame('A'));
    const std::size_t welcomed = client->output().size();
    const auto answered = [&] { return client && client->output().size() > welcomed; };
    deliver(*client, eject());
    EXPECT_TRUE(client->holding());
    if (clientGoes) client.reset();
    simulated.clock.runUntil(7999);
    EXPECT_FALSE(answered()) << "no answer before its time";
    EXPECT_TRUE(simulated.hub.visibleTo(sim::Host::A, stick));
    simulated.clock.runUntil(8000);
    EXPECT_EQ(answered(), !clientGoes);
    EXPECT_EQ(simulated.hub.visibleTo(sim::Host::A, stick), clientGoes) << "removed only for a client still there";
    EXPECT_EQ(simulated.hostA.usb.removalCalls().size(), clientGoes ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Clients, HeldRemoval, ::testing::Bool(),
                         [](const auto& param) { return std::string(param.param ? "Gone" : "Waiting"); });

// Host A removes a device that takes 4 s to be removed: its call waits that
// long, and meanwhile host B's calls and the console are answered as ever.
TEST_F(LinkTest, ASlowRemovalHoldsUpOnlyTheCallerOfItsHost) {
    constexpr std::uint32_t kRemovalMs = 4000;
    // Ample time for A's call to reach the simulator and be held there.
    constexpr std::chrono::milliseconds kHeldBy{1000};
    command("plug 2 0781 5567 SanDisk Cruzer");
    command("slow 2 " + std::to_string(kRemovalMs));
    std::unique_ptr<LinkedComputer> hostB = connect('B');
    UsbTopology topology(hostA->platform.interfaces, hostA->platform.hubs);
    char hubName[UsbTopology::kNameSize] = {};
    ASSERT_EQ(topology.locateHub(SwitchHub::kVendorId, SwitchHub::kProductId, hubName), 1);
    std::uint32_t devInst = 0;
    ASSERT_EQ(topology.findDeviceOnHubPort(hubName, 2, 0x0781, 0x5567, &devInst), 1);

    const auto asked = std::chrono::steady_clock::now();
    std::future<std::uint32_t> removal = std::async(std::launch::async, [&] {
        DiagnosticTrace discarded;
        return safeRemoveDevice(hostA->platform.removal, discarded, devInst);
    });
    std::this_thread::sleep_for(kHeldBy);
    const OsHandle event = hostB->platform.hid.createEvent();
    EXPECT_NE(event, nullptr);
    EXPECT_EQ(hostB->platform.hid.closeHandle(event), 1);
    EXPECT_EQ(state().substr(0, 3), "ok ");
    EXPECT_EQ(removal.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
        << "B and the console were answered while A's removal was held";

    ASSERT_EQ(removal.wait_for(kPatience + std::chrono::milliseconds(kRemovalMs)), std::future_status::ready);
    EXPECT_EQ(removal.get(), 0u);
    // The model's clock counts whole milliseconds.
    EXPECT_GE(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(kRemovalMs - 1));
    EXPECT_EQ(topology.findDeviceOnHubPort(hubName, 2, 0x0781, 0x5567, &devInst), 0) << "removed, once answered";
}

}  // namespace
}  // namespace pivora::test
