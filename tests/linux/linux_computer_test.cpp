#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/linux_program.h"
#include "app/linux/request_client.h"
#include "linux_computer.h"

namespace pivora::test {
namespace {

// The stick's port leaves this computer only once udisks2 has unmounted its
// filesystem and powered it off, and comes back when claimed; the printer's
// port, asked for by the other computer while a job waits, stays.
TEST_F(LinuxComputer, StickUnmountedBeforeItsPortLeavesAndBackAgainPrinterKeptWhileItPrints) {
    plugStick(kStickPort);
    plugPrinter(kPrinterPort);
    layOut(0x0C);
    startVirtual();
    runFor(10000);
    const SwitchSummary start = summary();
    ASSERT_TRUE(start.connected);
    ASSERT_TRUE(onB(kStickPort) && onB(kPrinterPort));
    EXPECT_EQ(start.ports.at(0).device, "Kingston DataTraveler 3.0");
    EXPECT_EQ(start.ports.at(1).device, "HP LaserJet");

    // Given away from here: unmounted, powered off, then the port goes.
    computer->postCommand(Command{Command::Release, kStickPort});
    runFor(15000);
    EXPECT_EQ(udisksCalls(), (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_FALSE(onB(kStickPort));
    EXPECT_FALSE(summary().ports.at(0).here);

    // Claimed back: it is here again, and shown with its name.
    computer->postCommand(Command{Command::Claim, kStickPort});
    runFor(15000);
    EXPECT_TRUE(onB(kStickPort));
    const SwitchSummary back = summary();
    EXPECT_TRUE(back.ports.at(0).here);
    EXPECT_EQ(back.ports.at(0).device, "Kingston DataTraveler 3.0");

    // A job waits: the other computer's claim of the printer's port is refused.
    ASSERT_EQ(cupsd.run({"lp", "-d", "Laser", "/etc/hostname"}).status, 0);
    otherComputerClaims(kPrinterPort);
    runFor(15000);
    EXPECT_TRUE(onB(kPrinterPort));
    EXPECT_EQ(computer->panel().refusal.printing, 1u << kPrinterPort);
}

// The other computer's claim of the stick's port: granted once udisks2 has
// let the stick go, kept (and the user told) while a file on it is open.
struct ClaimCase {
    const char* name;
    bool inUse;
    std::vector<std::string> calls;
    bool kept;
};

class OtherComputersClaim : public LinuxComputer, public ::testing::WithParamInterface<ClaimCase> {};

TEST_P(OtherComputersClaim, IsGrantedOnlyOnceTheStickIsLetGo) {
    plugStick(kStickPort);
    layOut(0x08);
    if (GetParam().inUse)
        udisks2->control(kUdisks2, "SetError",
                         g_variant_new("(os)", kStickFilesystem, "org.freedesktop.UDisks2.Error.DeviceBusy"));
    startVirtual();
    runFor(10000);
    ASSERT_TRUE(summary().connected);

    otherComputerClaims(kStickPort);
    runFor(15000);
    EXPECT_EQ(udisksCalls(), GetParam().calls);
    EXPECT_EQ(onB(kStickPort), GetParam().kept);
    EXPECT_EQ(summary().ports.at(0).here, GetParam().kept);
    const Refusal refusal = computer->panel().refusal;
    EXPECT_EQ(refusal.inUse, GetParam().kept ? 1u << kStickPort : 0u);
    EXPECT_EQ(computer->panel().busyNotices, GetParam().kept ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Stick, OtherComputersClaim,
    ::testing::Values(ClaimCase{"Idle", false, {"Unmount sdb1", "PowerOff Stick"}, false},
                      ClaimCase{"FileOpenOnIt", true, {"Unmount sdb1"}, true}),
    [](const ::testing::TestParamInfo<ClaimCase>& c) { return std::string(c.param.name); });

// A stick of the same make plugged straight into this computer is not the
// switch's: only the one on the port that leaves is unmounted.
TEST_F(LinuxComputer, TwinOutsideTheSwitchIsLeftMounted) {
    plugStick(kStickPort);
    layOut(0x08);
    sysfs.hub("usb2", 0x1d6b, 0x0002, 1).device("2-1", kStickVendor, kStickProduct, "Kingston", "DataTraveler 3.0");
    sysfs.disk("2-1", "sdc");
    addDrive("Twin", "sdc", "/media/user/TWIN");
    startVirtual();
    runFor(10000);

    computer->postCommand(Command{Command::Release, kStickPort});
    runFor(15000);
    EXPECT_EQ(udisksCalls(), (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_FALSE(onB(kStickPort));
}

// The other computer's port is named from what the controller's registry
// says sits there, through the hardware database when this computer has
// never seen the device; an unknown one is left unnamed.
TEST_F(LinuxComputer, OtherComputersPortsAreNamedFromTheRegistry) {
    sw.hub.plugDevice(kStickPort, kStickVendor, kStickProduct, "Kingston DataTraveler");
    sw.hub.plugDevice(kPrinterPort, 0x1234, 0x5678, "Gadget");
    sw.firmware.setPortId(kStickPort, {kStickVendor, kStickProduct});
    sw.firmware.setPortId(kPrinterPort, {0x1234, 0x5678});
    layOut(0x00);
    startVirtual();
    runFor(10000);
    const SwitchSummary shown = summary();
    ASSERT_TRUE(shown.connected);
    EXPECT_EQ(shown.ports.at(0).device, "Kingston Technology DataTraveler 100");
    EXPECT_FALSE(shown.ports.at(0).here);
    EXPECT_EQ(shown.ports.at(1).device, "");
}

// This computer's printer, idle when the other computer took its port, is
// pulled back when a job is queued for it: CUPS names it by serial, and the
// USB ID it was last seen with is kept in the state folder.
TEST_F(LinuxComputer, QueuedJobPullsThePrinterBackFromTheOtherComputer) {
    plugPrinter(kPrinterPort);
    layOut(0x04);
    startVirtual();
    runFor(10000);
    ASSERT_EQ(summary().ports.at(1).device, "HP LaserJet");

    otherComputerClaims(kPrinterPort);
    runFor(15000);
    ASSERT_FALSE(onB(kPrinterPort));

    ASSERT_EQ(cupsd.run({"lp", "-d", "Laser", "/etc/hostname"}).status, 0);
    runFor(20000);
    EXPECT_TRUE(onB(kPrinterPort));
    EXPECT_TRUE(summary().ports.at(1).here);
}

// The controller unplugged: the panel shows no switch until it is back.
TEST_F(LinuxComputer, ControllerUnpluggedAndPluggedBack) {
    plugStick(kStickPort);
    layOut(0x08);
    startVirtual();
    runFor(10000);
    ASSERT_TRUE(summary().connected);

    nodes.unplug(controllerNode());
    runFor(5000);
    EXPECT_FALSE(summary().connected);

    nodes.plug(controllerNode());
    computer->postCommand(Command{Command::DeviceChanged, 0});
    runFor(10000);
    const SwitchSummary back = summary();
    ASSERT_TRUE(back.connected);
    EXPECT_EQ(back.ports.at(0).device, "Kingston DataTraveler 3.0");
    EXPECT_TRUE(back.ports.at(0).here);
}

// The four-port form: the controller beside the hub, every port the
// user's; any of them moves.
TEST_F(LinuxComputer, FourPortFormShowsEveryPortAndMovesItsFirst) {
    plugStick(0);
    plugPrinter(1);
    layOut(0x03, sim::SwitchHub::Form::FourPort);
    startVirtual();
    runFor(10000);
    const SwitchSummary start = summary();
    ASSERT_TRUE(start.connected);
    ASSERT_EQ(start.ports.size(), 4u);
    EXPECT_EQ(computer->panel().switchType, "2-4");
    EXPECT_EQ(start.ports.at(3).device, "Kingston DataTraveler 3.0");
    EXPECT_EQ(start.ports.at(2).device, "HP LaserJet");
    EXPECT_TRUE(start.ports.at(3).here && start.ports.at(2).here);
    EXPECT_FALSE(start.ports.at(0).here || start.ports.at(1).here);

    computer->postCommand(Command{Command::Release, 0});
    runFor(15000);
    EXPECT_EQ(udisksCalls(), (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_FALSE(onB(0));
    EXPECT_TRUE(onB(1));
}

// `pivora run` over the same Linux backends, asked from the command line
// as a user would: the stick given away (unmounted first) and taken back.
TEST_F(LinuxComputer, PivoraRunMovesTheStickAwayAndBackForTheCommandLine) {
    plugStick(kStickPort);
    plugPrinter(kPrinterPort);
    layOut(0x0C);
    PrivateBus sessionBus;
    ASSERT_TRUE(sessionBus.running());
    const GObjectHandle<GDBusConnection> session = sessionBus.connect();
    std::vector<std::string> said;
    LinuxProgram program(startThread(), session.get(), nullptr, [&](const std::string& text) { said.push_back(text); });

    const auto askUntil = [](GDBusConnection* connection, const RemoteRequest& request, const char* wanted) {
        RemoteAnswer answer;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(40);
        do {
            answer = askRunningPivora(connection, request);
            if (answer.text.find(wanted) != std::string::npos) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        } while (std::chrono::steady_clock::now() < limit);
        return answer;
    };
    RemoteAnswer here;
    RemoteAnswer released;
    RemoteAnswer gone;
    std::vector<std::string> ejected;
    RemoteAnswer claimed;
    RemoteAnswer back;
    std::thread user([&] {
        const GObjectHandle<GDBusConnection> own = sessionBus.connect();
        here = askUntil(own.get(), RemoteRequest{}, "Port 1, here: Kingston DataTraveler 3.0");
        released = askRunningPivora(own.get(), RemoteRequest{RemoteRequest::Release, 1, false});
        gone = askUntil(own.get(), RemoteRequest{}, "Port 1, on the other computer");
        ejected = udisksCalls();
        claimed = askRunningPivora(own.get(), RemoteRequest{RemoteRequest::Claim, 1, false});
        back = askUntil(own.get(), RemoteRequest{}, "Port 1, here: Kingston DataTraveler 3.0");
        kill(getpid(), SIGTERM);
    });
    EXPECT_TRUE(program.run());
    user.join();

    EXPECT_EQ(here.text, "Switch connected.\nPort 1, here: Kingston DataTraveler 3.0\nPort 2, here: HP LaserJet\n");
    EXPECT_EQ(released.text, "Port 1: moving to the other computer.\n");
    EXPECT_NE(gone.text.find("Port 1, on the other computer"), std::string::npos) << gone.text;
    EXPECT_EQ(ejected, (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_EQ(claimed.text, "Port 1: moving here.\n");
    EXPECT_NE(back.text.find("Port 1, here: Kingston DataTraveler 3.0"), std::string::npos) << back.text;
}

}  // namespace
}  // namespace pivora::test
