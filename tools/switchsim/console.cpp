// The switch simulator's console: one command a line on standard input, one
// line of answer each on standard output, "ok ..." or "error <reason>".
//
//   state                            "ok " and the whole switch as JSON: which hosts are
//                                    connected and have released everything they acquired,
//                                    the hub's form, each port's owner and device (USB ID,
//                                    description, whether it refuses removal, how long its
//                                    removal takes), the five
//                                    registry slots, each computer's printers and queued jobs
//                                    and the devices plugged straight into it (still present,
//                                    or removed safely), and a Linux computer's sticks (disk,
//                                    place, whether mounted)
//   plug <port> <vid> <pid> <description...>
//                                    a device into user port 0..3 (USB IDs in hexadecimal);
//                                    whatever was there is unplugged
//   unplug <port>                    the device out of that port
//   busy <port> on|off               the device on that port refuses removal, or no longer
//   slow <port> <ms>                 the device on that port takes <ms> (0 to 60000) to be
//                                    removed safely: the removal call of the computer that
//                                    removes it is answered only then; 0 answers at once
//   printer <host> <name...> <vid> <pid>
//                                    a local USB printer on host A or B, on the next port
//                                    USB001, USB002, ..., with the registry keys that map
//                                    that port to the printer's USB ID
//   job <host> <name...> <count>     that printer now has <count> jobs queued
//   controller <host> unplug|plug    the switch's controller leaves or reaches that host
//   clear <slotmask>                 PortIdCleared for those registry slots, to both hosts
//   form two|four                    the hub's two-port or four-port form
//   local <host> <vid> <pid> <description...>
//                                    a device plugged straight into that computer, outside
//                                    the switch, on a free port of its root hub
//   local <host> unplug <vid> <pid>  that device out again
//   disk <host> <vid> <pid> <mount point>
//                                    on a Linux computer: devices of that ID are USB sticks,
//                                    their one filesystem mounted there whenever they arrive
//                                    (udisks2); busy on such a stick refuses its unmount
//   environment <host>               on a Linux computer: "ok " and the NAME=value words the
//                                    program there starts with (umockdev's testbed, its system
//                                    bus, its cupsd); printers and jobs there are CUPS queues
//   quit                             ends the simulator
#include "console.h"

#include "console_words.h"
#include "linux_computer.h"

namespace pivora::switchsim {

namespace {
// CR_REMOVE_VETOED, vetoed as a device with an open handle (PNP_VetoOutstandingOpen).
constexpr std::uint32_t kRemoveVetoed = 0x17;
constexpr std::uint32_t kVetoOutstandingOpen = 6;
constexpr std::uint32_t kAllSlots = 0x1F;
// A minute: longer than any disk takes to flush, short of leaving a
// computer's removal call unanswered for good.
constexpr std::uint32_t kLongestRemovalMs = 60000;

std::string error(const std::string& reason) { return "error " + reason; }
std::size_t slot(sim::Host host) { return static_cast<std::size_t>(host); }
}  // namespace

std::string Console::execute(const std::string& line) {
    const Words words = splitWords(line);
    if (words.empty()) return error("empty command");
    const std::string& command = words[0];
    if (command == "state" && words.size() == 1) return "ok " + state();
    if (command == "plug") return plug(words);
    if (command == "unplug") return unplug(words);
    if (command == "busy") return busy(words);
    if (command == "slow") return slow(words);
    if (command == "printer") return installPrinter(words);
    if (command == "job") return queueJobs(words);
    if (command == "controller") return controller(words);
    if (command == "clear") return clear(words);
    if (command == "form") return form(words);
    if (command == "local") return local(words);
    if (command == "disk") return disk(words);
    if (command == "environment") return environment(words);
    if (command == "quit" && words.size() == 1) {
        quit_ = true;
        return "ok quitting";
    }
    return error("unknown command: " + line);
}

int Console::deviceOn(int port) {
    for (int id = 0; id < switch_.hub.deviceCount(); ++id)
        if (switch_.hub.device(id).port == port) return id;
    return -1;
}

std::array<bool, 2> Console::seenBy(int device) {
    return {switch_.hub.visibleTo(sim::Host::A, device), switch_.hub.visibleTo(sim::Host::B, device)};
}

void Console::treeChanged(std::array<bool, 2> hosts) {
    for (sim::Host host : {sim::Host::A, sim::Host::B})
        if (hosts[slot(host)]) switch_.computer(host).usb.treeChanged();
}

std::string Console::plug(const Words& words) {
    const std::optional<int> port = words.size() >= 4 ? parsePort(words[1]) : std::nullopt;
    const std::optional<std::uint16_t> vendorId = words.size() >= 4 ? parseUsbId(words[2]) : std::nullopt;
    const std::optional<std::uint16_t> productId = words.size() >= 4 ? parseUsbId(words[3]) : std::nullopt;
    if (!port || !vendorId || !productId) return error("usage: plug <port> <vid> <pid> <description...>");
    if (!switch_.hub.isUserPort(*port)) return error("port " + words[1] + " is not a user port in this form");
    const int previous = deviceOn(*port);
    const std::array<bool, 2> sawPrevious = previous >= 0 ? seenBy(previous) : std::array<bool, 2>{};
    const int device = switch_.hub.plugDevice(*port, *vendorId, *productId, joinWords(words, 4, words.size()));
    const std::array<bool, 2> sees = seenBy(device);
    treeChanged({sawPrevious[0] || sees[0], sawPrevious[1] || sees[1]});
    return "ok plugged into port " + words[1];
}

std::string Console::unplug(const Words& words) {
    const std::optional<int> port = words.size() == 2 ? parsePort(words[1]) : std::nullopt;
    if (!port) return error("usage: unplug <port>");
    const int device = deviceOn(*port);
    if (device < 0) return error("nothing on port " + words[1]);
    const std::array<bool, 2> saw = seenBy(device);
    switch_.hub.unplugDevice(device);
    treeChanged(saw);
    return "ok unplugged port " + words[1];
}

std::string Console::busy(const Words& words) {
    const std::optional<int> port = words.size() == 3 ? parsePort(words[1]) : std::nullopt;
    if (!port || (words[2] != "on" && words[2] != "off")) return error("usage: busy <port> on|off");
    const int device = deviceOn(*port);
    if (device < 0) return error("nothing on port " + words[1]);
    sim::SwitchHub::Device& refusing = switch_.hub.device(device);
    if (words[2] == "on")
        refusing.refusal = sim::RemovalRefusal{kRemoveVetoed, refusing.description, kVetoOutstandingOpen};
    else
        refusing.refusal.reset();
    // On Linux a file open on a stick is what keeps it from being unmounted.
    if (linux_ != nullptr) linux_->setStickBusy(device, words[2] == "on");
    return "ok port " + words[1] + " busy " + words[2];
}

std::string Console::slow(const Words& words) {
    const std::optional<int> port = words.size() == 3 ? parsePort(words[1]) : std::nullopt;
    const std::optional<std::uint32_t> ms = words.size() == 3 ? parseNumber(words[2], kLongestRemovalMs) : std::nullopt;
    if (!port || !ms) return error("usage: slow <port> <ms> (0 to " + std::to_string(kLongestRemovalMs) + ")");
    const int device = deviceOn(*port);
    if (device < 0) return error("nothing on port " + words[1]);
    switch_.hub.device(device).removalMs = *ms;
    return "ok port " + words[1] + " removal takes " + std::to_string(*ms) + " ms";
}

std::string Console::controller(const Words& words) {
    const std::optional<sim::Host> host = words.size() == 3 ? parseHost(words[1]) : std::nullopt;
    if (!host || (words[2] != "unplug" && words[2] != "plug")) return error("usage: controller <host> unplug|plug");
    sim::SimComputer& computer = switch_.computer(*host);
    const int hidDevice = *host == sim::Host::A ? switch_.controllerOnA : switch_.controllerOnB;
    const int usbNode = computer.usb.switchControllerNode(switch_.hubOn(*host));
    if (words[2] == "unplug") {
        computer.hid.unplug(hidDevice);
        computer.usb.unplug(usbNode);
    } else {
        computer.hid.plug(hidDevice);
        computer.usb.plug(usbNode);
    }
    treeChanged({*host == sim::Host::A, *host == sim::Host::B});
    return "ok controller " + words[2] + " on " + words[1];
}

std::string Console::clear(const Words& words) {
    const std::optional<std::uint32_t> mask = words.size() == 2 ? parseNumber(words[1], kAllSlots) : std::nullopt;
    if (!mask) return error("usage: clear <slotmask> (0 to 0x1f)");
    for (sim::Host host : {sim::Host::A, sim::Host::B})
        switch_.firmware.sendPortIdCleared(host, static_cast<std::uint8_t>(*mask));
    return "ok cleared " + words[1];
}

LinuxComputer* Console::linuxHost(sim::Host host) const {
    return linux_ != nullptr && linux_->host() == host ? linux_ : nullptr;
}

std::string Console::disk(const Words& words) {
    const std::optional<sim::Host> host = words.size() >= 5 ? parseHost(words[1]) : std::nullopt;
    const std::optional<std::uint16_t> vendorId = words.size() >= 5 ? parseUsbId(words[2]) : std::nullopt;
    const std::optional<std::uint16_t> productId = words.size() >= 5 ? parseUsbId(words[3]) : std::nullopt;
    if (!host || !vendorId || !productId) return error("usage: disk <host> <vid> <pid> <mount point>");
    LinuxComputer* computer = linuxHost(*host);
    if (computer == nullptr) return error(words[1] + " is not a Linux computer");
    return computer->addDisk(*vendorId, *productId, joinWords(words, 4, words.size()));
}

std::string Console::environment(const Words& words) {
    const std::optional<sim::Host> host = words.size() == 2 ? parseHost(words[1]) : std::nullopt;
    if (!host) return error("usage: environment <host>");
    const LinuxComputer* computer = linuxHost(*host);
    if (computer == nullptr) return error(words[1] + " is not a Linux computer");
    return "ok " + computer->environment();
}

std::string Console::form(const Words& words) {
    if (words.size() != 2 || (words[1] != "two" && words[1] != "four")) return error("usage: form two|four");
    switch_.hub.setForm(words[1] == "two" ? sim::SwitchHub::Form::TwoPort : sim::SwitchHub::Form::FourPort);
    treeChanged({true, true});
    return "ok form " + words[1];
}

}  // namespace pivora::switchsim
