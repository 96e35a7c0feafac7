#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "sim/simulated_switch.h"

namespace pivora::switchsim {

class LinuxComputer;

// The switch simulator's console: one command a line, one line of answer,
// "ok ..." or "error <reason>". Runs on the server's thread, beside the
// connections, so the model is only ever touched from there.
class Console {
public:
    using Connected = std::function<bool(sim::Host)>;

    Console(sim::SimulatedSwitch& simulated, Connected connected)
        : switch_(simulated), connected_(std::move(connected)) {}

    std::string execute(const std::string& line);
    bool quitRequested() const { return quit_; }
    // The computer that is a Linux computer, whose printers and sticks are
    // its own: it is told of them.
    void serveLinux(LinuxComputer* computer) { linux_ = computer; }

private:
    using Words = std::vector<std::string>;

    std::string state();
    std::string plug(const Words& words);
    std::string unplug(const Words& words);
    std::string busy(const Words& words);
    std::string slow(const Words& words);
    std::string installPrinter(const Words& words);
    std::string queueJobs(const Words& words);
    std::string controller(const Words& words);
    std::string clear(const Words& words);
    std::string form(const Words& words);
    std::string local(const Words& words);
    std::string disk(const Words& words);
    std::string environment(const Words& words);
    // The Linux computer, when `host` is it.
    LinuxComputer* linuxHost(sim::Host host) const;
    std::string plugLocal(sim::Host host, const Words& words);
    std::string unplugLocal(sim::Host host, const Words& words);

    // The device plugged into `port` now, or -1.
    int deviceOn(int port);
    // Which computers see `device` now, by host index.
    std::array<bool, 2> seenBy(int device);
    // Raises a device tree change on each computer marked.
    void treeChanged(std::array<bool, 2> hosts);

    sim::SimulatedSwitch& switch_;
    Connected connected_;
    // The printers installed on each computer, in the spooler's order.
    std::array<std::vector<std::string>, 2> printers_;
    // Devices plugged straight into each computer, outside the switch.
    struct LocalDevice {
        int node;
        std::uint16_t vendorId;
        std::uint16_t productId;
        std::string description;
    };
    std::array<std::vector<LocalDevice>, 2> local_;
    LinuxComputer* linux_ = nullptr;
    bool quit_ = false;
};

}  // namespace pivora::switchsim
