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
constexpr const char* kStickFilesystem = "/org/freedesktop/UDisks2/block_devices/sdb1";
constexpr std::uint16_t kStickVendor = 0x0951;
constexpr std::uint16_t kStickProduct = 0x1666;
constexpr int kStickPort = 3;    // the user's port 1
constexpr int kPrinterPort = 2;  // the user's port 2

// What the udev hardware database would say of the stick, and of nothing else.
class StickNames : public UsbNameDatabase {
public:
    UsbIdNames lookup(std::uint16_t vendorId, std::uint16_t productId) override {
        if (vendorId == kStickVendor && productId == kStickProduct) return {"Kingston Technology", "DataTraveler 100"};
        return {};
    }
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

// How a device of the switch shows in this computer's sysfs.
struct SysfsFace {
    std::string manufacturer;
    std::string product;
    std::string disk;    // its SCSI disk, when it is one
    std::string serial;  // its serial number, when it gives one
};

// This computer is host B; the firmware plays host A. Each test lays out the
// switch (form, devices, owners) and then starts the control.
class LinuxComputer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cupsd.whyNot().empty()) GTEST_SKIP() << "no private cupsd: " << cupsd.whyNot();
        ASSERT_TRUE(systemBus.running());
        std::signal(SIGPIPE, SIG_IGN);
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
        addDrive("Stick", "sdb", "/media/user/STICK");
        system = systemBus.connect();
        ejector = std::make_unique<Udisks2Ejector>(system.get());

        // CUPS: the printer's queue, stopped so that a job stays in it.
        ASSERT_EQ(cupsd.run({"lpadmin", "-p", "Laser", "-v", "usb://HP/LaserJet?serial=PRN1", "-m", "raw", "-E"}).status, 0);
        ASSERT_EQ(cupsd.run({"cupsdisable", "Laser"}).status, 0);

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

    // A drive `name` whose disk has one partition, mounted at `mountPoint`.
    void addDrive(const std::string& name, const std::string& disk, const char* mountPoint) {
        const std::string drive = std::string(kUdisks2) + "/drives/" + name;
        udisks2->control(kUdisks2, "AddDrive", g_variant_new("(sb)", name.c_str(), TRUE), "(o)");
        for (const std::string& block : {disk, disk + "1"})
            udisks2->control(kUdisks2, "AddBlock", g_variant_new("(so)", block.c_str(), drive.c_str()), "(o)");
        const std::string filesystem = std::string(kUdisks2) + "/block_devices/" + disk + "1";
        udisks2->control(kUdisks2, "AddFilesystem", g_variant_new("(os)", filesystem.c_str(), mountPoint));
    }

    // The stick and the printer on the switch, each on its port.
    int plugStick(int port) {
        const int id = sw.hub.plugDevice(port, kStickVendor, kStickProduct, "Kingston DataTraveler");
        faces[id] = SysfsFace{"Kingston", "DataTraveler 3.0", "sdb", ""};
        return id;
    }
    int plugPrinter(int port) {
        const int id = sw.hub.plugDevice(port, 0x03F0, 0x1234, "HP LaserJet");
        faces[id] = SysfsFace{"HP", "LaserJet", "", "PRN1"};
        return id;
    }

    // The switch as laid out: the ports in `ownedByB` are this computer's.
    void layOut(std::uint8_t ownedByB, sim::SwitchHub::Form form = sim::SwitchHub::Form::TwoPort) {
        sw.hub.setForm(form);
        sw.firmware.setRawMask(ownedByB);
        render();
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

    // What this computer's sysfs shows: the root hub, the switch's hub, the
    // controller (on the hub's internal port in the two-port form, beside
    // it in the four-port form) and what the switch lets this computer see.
    void render() {
        if (!rendered) {
            sysfs.hub("usb1", 0x1d6b, 0x0002, 2).hub("1-1", 0x0424, 0x2524, sim::SwitchHub::kPorts);
            const int controllerPort = sw.hub.controllerPort(sim::Host::B);
            sysfs.device(controllerPort >= 0 ? "1-1." + std::to_string(controllerPort + 1) : "1-2", 0x04B4, 0x120D,
                         "Cypress", "USB Switch");
            rendered = true;
        }
        for (int port = 0; port < sim::SwitchHub::kPorts; ++port) {
            if (!sw.hub.isUserPort(port)) continue;
            const int seen = sw.hub.deviceSeenBy(sim::Host::B, port);
            int& shown = shownOn.at(static_cast<std::size_t>(port));
            if (seen == shown) continue;
            const std::string place = "1-1." + std::to_string(port + 1);
            if (shown >= 0) sysfs.unplug(place);
            shown = seen;
            if (seen < 0) continue;
            const sim::SwitchHub::Device& device = sw.hub.device(seen);
            const SysfsFace& face = faces.at(seen);
            sysfs.device(place, device.vendorId, device.productId, face.manufacturer, face.product);
            if (!face.disk.empty()) sysfs.disk(place, face.disk);
            if (!face.serial.empty()) sysfs.write(place, "serial", face.serial + "\n");
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
    SwitchSummary summary() const { return summarize(computer->panel()); }

    // The other computer asks the controller for `port`.
    void otherComputerClaims(int port) {
        const Request claim = claimPorts(static_cast<std::uint8_t>(1u << port));
        sw.firmware.receive(sim::Host::A, claim.bytes.data(), kControllerReportLength);
    }

    std::vector<std::string> udisksCalls() { return udisks2->controlStrings(kUdisks2, "Calls"); }

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
    StickNames names;
    std::map<int, SysfsFace> faces;
    bool rendered = false;
    bool pumping = true;
    std::array<int, sim::SwitchHub::kPorts> shownOn{-1, -1, -1, -1};
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
