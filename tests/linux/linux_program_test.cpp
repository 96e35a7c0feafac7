#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <functional>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/linux_program.h"
#include "app/linux/request_client.h"
#include "control/control_thread.h"
#include "controller/report_catalogue.h"
#include "dbus_mock.h"
#include "sim/linux/private_bus.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "wall_clock.h"

namespace pivora::test {
namespace {

// `pivora run` as a user has it: its control on host A of a simulated
// switch, the command line calling from another program over a private
// session bus, SIGTERM to end it.
class RunningProgram : public ::testing::Test {
protected:
    RunningProgram() : control(platformOf()) {
        sw.firmware.setRawMask(0x08);  // port 1 (the switch's port 3) is B's
        sw.firmware.playPeer(sim::Host::B);
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
    }
    Platform& platformOf() {
        const Platform simulated = sw.hostA.platform(trace);
        platform = std::make_unique<Platform>(Platform{wall, trace, simulated.interfaces, simulated.hid, simulated.hubs,
                                                       simulated.removal, simulated.spooler, simulated.registry});
        return *platform;
    }

    // Asks as `pivora <request>` would, until `until` holds for the answer
    // or 20 s have passed.
    template <typename Until>
    RemoteAnswer askUntil(GDBusConnection* connection, const RemoteRequest& request, Until until) {
        RemoteAnswer answer;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        do {
            answer = askRunningPivora(connection, request);
            if (until(answer)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < limit);
        return answer;
    }

    sim::SimulatedSwitch sw;
    WallClock wall{sw.clock};
    RecordingTrace trace;
    std::unique_ptr<Platform> platform;
    ControlThread control;
    PrivateBus bus;
    std::vector<std::string> said;
};

TEST_F(RunningProgram, AnswersTheCommandLineMovesAPortAndSignsOffOnSigterm) {
    ASSERT_TRUE(bus.running());
    const GObjectHandle<GDBusConnection> session = bus.connect();
    LinuxProgram program(control, session.get(), nullptr, [&](const std::string& text) { said.push_back(text); });

    std::atomic<bool> served{false};
    RemoteAnswer connected;
    RemoteAnswer claimed;
    RemoteAnswer moved;
    std::thread user([&] {
        const GObjectHandle<GDBusConnection> own = bus.connect();
        const auto contains = [](const char* text) {
            return [text](const RemoteAnswer& answer) { return answer.text.find(text) != std::string::npos; };
        };
        connected = askUntil(own.get(), RemoteRequest{}, contains("Port 2, here"));
        claimed = askRunningPivora(own.get(), RemoteRequest{RemoteRequest::Claim, 1, false});
        moved = askUntil(own.get(), RemoteRequest{}, contains("Port 1, here"));
        // As `kill` or systemd would end it.
        kill(getpid(), SIGTERM);
        served = true;
    });
    EXPECT_TRUE(program.run());
    user.join();
    ASSERT_TRUE(served);

    EXPECT_EQ(connected.text,
              "Switch connected.\nPort 1, on the other computer: (no device)\nPort 2, here: SanDisk Cruzer\n");
    EXPECT_EQ(claimed.exitStatus, exit_status::kDone);
    EXPECT_EQ(claimed.text, "Port 1: moving here.\n");
    EXPECT_EQ(moved.text, "Switch connected.\nPort 1, here: Logitech Receiver\nPort 2, here: SanDisk Cruzer\n");
    // What it said as the switch changed: the status, each time it read anew.
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), moved.text);
    // Ended by the signal, it signed off from the controller.
    const std::vector<Bytes> written = trace.reports(TraceChannel::ReportsWritten);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back().at(1), code::SignOff);
}

// logind announces a sleep: the ports are handed back (the controller hears
// SignOff) before the inhibitor is let go; on waking Pivora starts over and
// takes a new one.
TEST_F(RunningProgram, SignsOffBeforeTheComputerSleepsAndStartsOverOnWaking) {
    ASSERT_TRUE(bus.running());
    PrivateBus systemBus;
    ASSERT_TRUE(systemBus.running());
    DbusMock logind(systemBus, "org.freedesktop.login1", {"-t", "logind"});
    ASSERT_TRUE(logind.running());
    const GObjectHandle<GDBusConnection> session = bus.connect();
    const GObjectHandle<GDBusConnection> system = systemBus.connect();
    LinuxProgram program(control, session.get(), system.get(), [&](const std::string& text) { said.push_back(text); });

    const auto inhibitors = [&] {
        const GVariantHandle reply = logind.call("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                                 "ListInhibitors", nullptr, "(a(ssssuu))");
        const GVariantHandle list(g_variant_get_child_value(reply.get(), 0));
        return g_variant_n_children(list.get());
    };
    const auto announceSleep = [&](bool going) {
        GVariant* argument = g_variant_new_variant(g_variant_new_boolean(going ? TRUE : FALSE));
        logind.control("/org/freedesktop/login1", "EmitSignal",
                       g_variant_new("(sss@av)", "org.freedesktop.login1.Manager", "PrepareForSleep", "b",
                                     g_variant_new_array(nullptr, &argument, 1)));
    };
    const auto within = [](const std::function<bool()>& done) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return done();
    };
    bool heldAtStart = false;
    bool letGo = false;
    bool heldAgain = false;
    std::thread night([&] {
        const GObjectHandle<GDBusConnection> own = bus.connect();
        const auto connected = [](const RemoteAnswer& answer) { return answer.text.rfind("Switch connected", 0) == 0; };
        askUntil(own.get(), RemoteRequest{}, connected);
        heldAtStart = within([&] { return inhibitors() == 1; });
        announceSleep(true);
        letGo = within([&] { return inhibitors() == 0; });
        announceSleep(false);
        heldAgain = within([&] { return inhibitors() == 1; });
        // A few of the control's ticks, for it to find the controller again.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        kill(getpid(), SIGTERM);
    });
    EXPECT_TRUE(program.run());
    night.join();

    EXPECT_TRUE(heldAtStart);
    EXPECT_TRUE(letGo);
    EXPECT_TRUE(heldAgain);
    // SignOff before the sleep; after it the controller looked for afresh
    // (InfoQuery), and SignOff again at the end.
    const std::vector<Bytes> written = trace.reports(TraceChannel::ReportsWritten);
    const auto codeAt = [&](std::size_t index) { return written.at(index).at(1); };
    std::size_t sleptAt = 0;
    while (sleptAt < written.size() && codeAt(sleptAt) != code::SignOff) ++sleptAt;
    ASSERT_LT(sleptAt, written.size()) << "no SignOff before the sleep";
    bool lookedAgain = false;
    for (std::size_t index = sleptAt + 1; index < written.size(); ++index)
        lookedAgain = lookedAgain || codeAt(index) == code::InfoQuery;
    EXPECT_TRUE(lookedAgain);
    EXPECT_EQ(codeAt(written.size() - 1), code::SignOff);
}

TEST_F(RunningProgram, ASecondRunSaysOneIsRunningAndLeaves) {
    ASSERT_TRUE(bus.running());
    const GObjectHandle<GDBusConnection> first = bus.connect();
    // Another Pivora serves this session already.
    const GVariantHandle owned(g_dbus_connection_call_sync(
        first.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.pivora.Pivora", 4u), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr));
    ASSERT_TRUE(owned);
    const GObjectHandle<GDBusConnection> session = bus.connect();
    LinuxProgram second(control, session.get(), nullptr, [&](const std::string& text) { said.push_back(text); });
    EXPECT_FALSE(second.run());
    EXPECT_EQ(said, std::vector<std::string>{"Pivora is already running in this session.\n"});
    EXPECT_TRUE(trace.reports(TraceChannel::ReportsWritten).empty()) << "the control never started";
}

}  // namespace
}  // namespace pivora::test
