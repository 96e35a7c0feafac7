// A Linux computer at the simulated switch, its control over the Linux
// backends themselves: the USB side read from a sysfs rendered from the
// switch's state, the controller through hidraw (a SOCK_SEQPACKET stand-in
// with the firmware at its far end), disks through udisks2 (python-dbusmock
// on a private bus), printers through a private cupsd. The other computer is
// played by the firmware. All in virtual time but the services' own answers.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <signal.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/linux_program.h"
#include "app/linux/request_client.h"
#include "control/control_thread.h"
#include "control/host_system.h"
#include "controller/report_catalogue.h"
#include "dbus_mock.h"
#include "hidraw_fixture.h"
#include "platform/linux/cups_local_printers.h"
#include "platform/linux/hidraw_report_channel.h"
#include "platform/linux/sysfs_present_usb_devices.h"
#include "platform/linux/sysfs_switch_usb.h"
#include "platform/linux/udisks2_ejector.h"
#include "private_cupsd.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "sysfs_tree.h"
#include "ui/port_summary.h"
#include "virtual_control.h"
#include "wall_clock.h"

namespace pivora::test {
namespace {

constexpr const char* kUdisks2 = "/org/freedesktop/UDisks2";
constexpr const char* kStickDrive = "/org/freedesktop/UDisks2/drives/Stick";
constexpr int kStickPort = 3;    // the user's port 1
constexpr int kPrinterPort = 2;  // the user's port 2

class NoNames : public UsbNameDatabase {
public:
    UsbIdNames lookup(std::uint16_t, std::uint16_t) override { return {}; }
};

// The Linux computer as its control sees it, with the test's stand-ins.
class StandInLinuxHost : public HostSystem {
public:
    StandInLinuxHost(Clock& clock, DiagnosticTrace& trace, SwitchUsb& usb, LocalPrinters& printers,
                     HidrawTree& hidraw, StandInNodes& nodes)
        : clock_(clock), trace_(trace), usb_(usb), printers_(printers), hidraw_(hidraw), nodes_(nodes) {}
    Clock& clock() override { return clock_; }
    DiagnosticTrace& trace() override { return trace_; }
    SwitchUsb& usb() override { return usb_; }
    LocalPrinters& printers() override { return printers_; }
    std::unique_ptr<ReportChannel> makeChannel(Clock& clock) override {
        return std::make_unique<HidrawReportChannel>(hidraw_.sys(), hidraw_.dev(), clock, trace_, nodes_.opener());
    }

private:
    Clock& clock_;
    DiagnosticTrace& trace_;
    SwitchUsb& usb_;
    LocalPrinters& printers_;
    HidrawTree& hidraw_;
    StandInNodes& nodes_;
};

class LinuxComputer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cupsd.whyNot().empty()) GTEST_SKIP() << "no private cupsd: " << cupsd.whyNot();
        ASSERT_TRUE(systemBus.running());
        std::signal(SIGPIPE, SIG_IGN);

        // The switch: the stick and the printer on this computer's ports.
        stick = sw.hub.plugDevice(kStickPort, 0x0951, 0x1666, "Kingston DataTraveler");
        printer = sw.hub.plugDevice(kPrinterPort, 0x03F0, 0x1234, "HP LaserJet");
        sw.firmware.setRawMask(0x0C);
        sw.firmware.playPeer(sim::Host::A);

        // Its controller, as this computer's hidraw node.
        hidraw.addNode("hidraw0", kControllerUevent);
        nodes.plug(controllerNode());
        sw.firmware.connectOutlet([this](sim::Host to, const sim::WireReport& report) {
            if (to == sim::Host::B)
                ::send(nodes.controllerEnd(controllerNode()), report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        });
        pump();

        // udisks2: the stick's drive, its disk sdb and a mounted filesystem.
        udisks2 = std::make_unique<DbusMock>(systemBus, "org.freedesktop.UDisks2",
                                             std::vector<std::string>{"-t", PIVORA_LINUX_TEST_DIR "/udisks2_template.py"});
        ASSERT_TRUE(udisks2->running());
        udisks2->control(kUdisks2, "AddDrive", g_variant_new("(sb)", "Stick", TRUE), "(o)");
        for (const char* block : {"sdb", "sdb1"})
            udisks2->control(kUdisks2, "AddBlock", g_variant_new("(so)", block, kStickDrive), "(o)");
        udisks2->control(kUdisks2, "AddFilesystem",
                         g_variant_new("(os)", "/org/freedesktop/UDisks2/block_devices/sdb1", "/media/user/STICK"));
        system = systemBus.connect();
        ejector = std::make_unique<Udisks2Ejector>(system.get());

        // CUPS: the printer's queue, stopped with a job in it.
        ASSERT_EQ(cupsd.run({"lpadmin", "-p", "Laser", "-v", "usb://HP/LaserJet?serial=PRN1", "-m", "raw", "-E"}).status, 0);
        ASSERT_EQ(cupsd.run({"cupsdisable", "Laser"}).status, 0);

        render();
        sw.hostB.usb.onTreeChanged = [this] {
            render();
            // udev's event: the control opens the controller afresh, which
            // a node allows as often as it is asked; each stand-in opens once.
            nodes.plug(controllerNode());
            control->post(Command{Command::DeviceChanged, 0});
        };
        usb = std::make_unique<SysfsSwitchUsb>(sysfs.sysRoot(), sysfs.procRoot(), *ejector, names, trace);
        present = std::make_unique<SysfsPresentUsbDevices>(sysfs.sysRoot());
        printers = std::make_unique<CupsLocalPrinters>(*present, sysfs.root() + "/state", trace);
    }

    // The control on the test's thread, in the switch's virtual time.
    void startVirtual() {
        host = std::make_unique<StandInLinuxHost>(sw.clock, trace, *usb, *printers, hidraw, nodes);
        computer = std::make_unique<VirtualControl>(sw.clock, *host);
        control = computer.get();
        computer->start(nullptr);
    }

    // The control on a thread of its own, the switch caught up with the wall
    // clock at every look, as `pivora run` runs it.
    ControlThread& startThread() {
        host = std::make_unique<StandInLinuxHost>(wall, trace, *usb, *printers, hidraw, nodes);
        thread = std::make_unique<ControlThread>(*host);
        control = thread.get();
        return *thread;
    }

    void TearDown() override {
        if (control != nullptr) control->stop();
        pumping = false;
    }

    std::string controllerNode() const { return hidraw.devPath("hidraw0"); }

    // What this computer's sysfs shows: the root hub, the switch's hub and
    // on its ports the controller and whatever the switch lets it see.
    void render() {
        if (!rendered) {
            sysfs.hub("usb1", 0x1d6b, 0x0002, 2).hub("1-1", 0x0424, 0x2524, 4);
            sysfs.device("1-1.2", 0x04B4, 0x120D, "Cypress", "USB Switch");
            rendered = true;
        }
        for (const int port : {kPrinterPort, kStickPort}) {
            const std::string name = "1-1." + std::to_string(port + 1);
            const bool seen = sw.hub.deviceSeenBy(sim::Host::B, port) >= 0;
            if (seen == shown[port]) continue;
            shown[port] = seen;
            if (!seen) {
                sysfs.unplug(name);
            } else if (port == kStickPort) {
                sysfs.device(name, 0x0951, 0x1666, "Kingston", "DataTraveler 3.0");
                sysfs.disk(name, "sdb");
            } else {
                sysfs.device(name, 0x03F0, 0x1234, "HP", "LaserJet");
                sysfs.write(name, "serial", "PRN1\n");
            }
        }
    }

    void pump() {
        if (!pumping) return;
        std::array<std::uint8_t, 64> bytes{};
        for (;;) {
            const ssize_t got = ::recv(nodes.controllerEnd(controllerNode()), bytes.data(), bytes.size(), MSG_DONTWAIT);
            if (got <= 0) break;
            sw.firmware.receive(sim::Host::B, bytes.data(), static_cast<std::size_t>(got));
        }
        sw.clock.schedule(1, [this] { pump(); });
    }

    bool onB(int port) const { return (sw.firmware.rawMask() & (1u << port)) != 0; }
    void runFor(std::uint64_t ms) { computer->runUntil(sw.clock.now() + ms); }

    std::vector<std::string> udisksCalls() {
        return udisks2->controlStrings(kUdisks2, "Calls");
    }

    PrivateCupsd cupsd;
    PrivateBus systemBus;
    std::unique_ptr<DbusMock> udisks2;
    GObjectHandle<GDBusConnection> system;
    std::unique_ptr<Udisks2Ejector> ejector;
    sim::SimulatedSwitch sw;
    WallClock wall{sw.clock};
    RecordingTrace trace;
    HidrawTree hidraw;
    StandInNodes nodes;
    testing::SysfsTree sysfs;
    NoNames names;
    bool rendered = false;
    bool pumping = true;
    std::map<int, bool> shown{{kPrinterPort, false}, {kStickPort, false}};
    int stick = -1;
    int printer = -1;
    std::unique_ptr<SysfsSwitchUsb> usb;
    std::unique_ptr<SysfsPresentUsbDevices> present;
    std::unique_ptr<CupsLocalPrinters> printers;
    std::unique_ptr<StandInLinuxHost> host;
    std::unique_ptr<VirtualControl> computer;
    std::unique_ptr<ControlThread> thread;
    ControlPort* control = nullptr;  // whichever runs the control
};

// The stick's port leaves this computer only once udisks2 has unmounted its
// filesystem and powered it off, and comes back when claimed; the printer's
// port, asked for by the other computer while a job waits, stays.
TEST_F(LinuxComputer, StickUnmountedBeforeItsPortLeavesAndBackAgainPrinterKeptWhileItPrints) {
    startVirtual();
    runFor(10000);
    const SwitchSummary start = summarize(computer->panel());
    ASSERT_TRUE(start.connected);
    ASSERT_TRUE(onB(kStickPort) && onB(kPrinterPort));
    EXPECT_EQ(start.ports.at(0).device, "Kingston DataTraveler 3.0");
    EXPECT_EQ(start.ports.at(1).device, "HP LaserJet");

    // Given away from here: unmounted, powered off, then the port goes.
    computer->postCommand(Command{Command::Release, kStickPort});
    runFor(15000);
    EXPECT_EQ(udisksCalls(), (std::vector<std::string>{"Unmount sdb1", "PowerOff Stick"}));
    EXPECT_FALSE(onB(kStickPort));
    EXPECT_FALSE(summarize(computer->panel()).ports.at(0).here);

    // Claimed back: it is here again, and shown with its name.
    computer->postCommand(Command{Command::Claim, kStickPort});
    runFor(15000);
    EXPECT_TRUE(onB(kStickPort));
    const SwitchSummary back = summarize(computer->panel());
    EXPECT_TRUE(back.ports.at(0).here);
    EXPECT_EQ(back.ports.at(0).device, "Kingston DataTraveler 3.0");

    // A job waits: the other computer's claim of the printer's port is refused.
    ASSERT_EQ(cupsd.run({"lp", "-d", "Laser", "/etc/hostname"}).status, 0);
    const Request claim = claimPorts(static_cast<std::uint8_t>(1u << kPrinterPort));
    sw.firmware.receive(sim::Host::A, claim.bytes.data(), kControllerReportLength);
    runFor(15000);
    EXPECT_TRUE(onB(kPrinterPort));
    EXPECT_EQ(computer->panel().refusal.printing, 1u << kPrinterPort);
}

// `pivora run` over the same Linux backends, asked from the command line
// as a user would: the stick given away (unmounted first) and taken back.
TEST_F(LinuxComputer, PivoraRunMovesTheStickAwayAndBackForTheCommandLine) {
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
