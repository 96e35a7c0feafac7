#pragma once

#include <poll.h>
#include <umockdev.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/posix_fd.h"
#include "platform/linux/gio_handles.h"
#include "sim/linux/dbus_mock.h"
#include "sim/linux/private_bus.h"
#include "sim/linux/private_cupsd.h"
#include "sim/linux/sysfs_tree.h"
#include "sim/simulated_switch.h"

namespace pivora::switchsim {

// One of the two computers as a Linux computer, for the Linux program's own
// backends to run on: its USB side, read from the model, rendered as a
// sysfs tree in a umockdev testbed and kept current, each device that comes
// or goes announced as udev announces it; the switch's controller as a
// SOCK_SEQPACKET socket where its hidraw node would be, each connection one
// open of the node; its system bus with logind and udisks2 stood in for by
// python-dbusmock, and a cupsd of its own. The program runs under umockdev's
// preload pointed at the testbed (environment()), so it reads /sys and opens
// /dev as on any computer. The testbed's announcements go through umockdev's
// preload in this process too: switchsim runs under umockdev-wrapper, and
// serves one Linux computer at most. Lives on the server's thread.
class LinuxComputer {
public:
    // Null, and `why` says why, when the stand-ins cannot be had.
    static std::unique_ptr<LinuxComputer> start(sim::SimulatedSwitch& simulated, sim::Host host, std::string& why);
    ~LinuxComputer();
    LinuxComputer(const LinuxComputer&) = delete;
    LinuxComputer& operator=(const LinuxComputer&) = delete;

    sim::Host host() const { return host_; }
    // What the program on this computer is started with, "NAME=value" words.
    std::string environment() const;

    // The model changed: the tree follows it, and udev announces each
    // device that went and each that came.
    void sync();

    // The controller: a report towards this computer, to every open node.
    void deliver(const sim::WireReport& report);
    // Whether a program has the controller's node open.
    bool connected() const { return !opened_.empty(); }
    // The descriptors to watch, appended; then, from `first`, what they said.
    void watch(std::vector<pollfd>& watched) const;
    void serve(const std::vector<pollfd>& watched, std::size_t first);

    // Devices with this USB ID are USB sticks here, each with a disk of its
    // own whose one filesystem is mounted at `mountPoint` whenever it arrives.
    std::string addDisk(std::uint16_t vendorId, std::uint16_t productId, const std::string& mountPoint);
    // The switch's device `switchDevice`, if a stick, refuses to be
    // unmounted here (a file open on it), or no longer.
    void setStickBusy(int switchDevice, bool busy);
    // A CUPS queue for the USB printer with this ID, and its queued jobs.
    std::string addPrinter(const std::string& name, std::uint16_t vendorId, std::uint16_t productId);
    std::string queueJobs(const std::string& name, std::uint32_t jobs);
    // The printers as the console's state lists them: name, device URI, jobs.
    std::string printersJson() const;
    // The sticks here now: disk, place, USB ID, whether mounted.
    std::string sticksJson();

    LinuxComputer(sim::SimulatedSwitch& simulated, sim::Host host, GObjectHandle<UMockdevTestbed> testbed,
                  std::string root);

private:
    struct Shown {
        std::string key;  // what is there: a device replaced by another differs
        int node = -1;
        int switchDevice = -1;
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        std::string hidraw;  // the controller's node directory, relative to sys/
    };
    // A stick's disk, made in udisks2 when the stick first shows here.
    struct Stick {
        std::string disk;        // sdb, sdc, ...
        std::string filesystem;  // its one filesystem's udisks2 object
    };
    struct Printer {
        std::string name;
        std::string queue;
        std::string uri;
        std::uint16_t vendorId;
        std::uint16_t productId;
        std::uint32_t jobs = 0;
    };

    bool startServices(std::string& why);
    void render(const sim::SimUsbTree::PresentNode& node, Shown& shown);
    void announce(const std::string& relativeDir, const char* action);
    void openNode();
    void closeNode();
    // The stick's disk, made when it is first asked for; null when udisks2 refuses.
    const Stick* stickOf(int node);
    void mount(const Stick& stick, const std::string& mountPoint);
    void refuseUnmount(const Stick& stick, bool busy);
    // Devices with this ID shown again, as if plugged in again.
    void showAgain(std::uint16_t vendorId, std::uint16_t productId);
    const Printer* printerOf(std::uint16_t vendorId, std::uint16_t productId) const;

    sim::SimulatedSwitch& switch_;
    sim::Host host_;
    GObjectHandle<UMockdevTestbed> testbed_;
    std::string root_;
    sim::SysfsTree tree_;
    std::map<std::string, Shown> shown_;  // by place
    std::map<std::uint32_t, std::string> diskMounts_;  // a stick's mount point, by USB ID
    std::map<int, Stick> sticks_;                      // by the model's node
    std::vector<int> busySticks_;                      // the switch's devices that refuse
    std::vector<Printer> printers_;

    sim::PrivateBus systemBus_;
    std::unique_ptr<sim::DbusMock> logind_;
    std::unique_ptr<sim::DbusMock> udisks2_;
    std::unique_ptr<sim::PrivateCupsd> cupsd_;
    std::string failures_;

    link::PosixFd listening_;             // the controller's node, while it is plugged
    std::vector<link::PosixFd> opened_;   // each open of it
};

}  // namespace pivora::switchsim
