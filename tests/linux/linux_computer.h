#pragma once

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
#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <vector>

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
#include "sim/linux/private_cupsd.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "sysfs_tree.h"
#include "ui/port_summary.h"
#include "virtual_control.h"
#include "wall_clock.h"

namespace pivora::test {

inline constexpr const char* kUdisks2 = "/org/freedesktop/UDisks2";
inline constexpr const char* kStickFilesystem = "/org/freedesktop/UDisks2/block_devices/sdb1";
inline constexpr std::uint16_t kStickVendor = 0x0951;
inline constexpr std::uint16_t kStickProduct = 0x1666;
inline constexpr int kStickPort = 3;    // the user's port 1
inline constexpr int kPrinterPort = 2;  // the user's port 2

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
                                             std::vector<std::string>{"-t", sim::udisks2Template()});
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

    sim::PrivateCupsd cupsd;
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

}  // namespace pivora::test
