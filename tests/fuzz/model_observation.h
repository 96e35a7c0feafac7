#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console.h"
#include "sim/simulated_switch.h"

namespace pivora::fuzz {

// Everything of the simulated switch a served call could change: the
// console's view of it and every count the computers keep of the calls made
// to them. Two equal observations mean nothing reached the model between them.
struct ModelObservation {
    std::string state;
    std::vector<std::uint64_t> counts;

    bool operator==(const ModelObservation& other) const { return state == other.state && counts == other.counts; }
};

inline void countCallsOf(const sim::SimComputer& computer, std::vector<std::uint64_t>& counts) {
    const auto add = [&counts](auto value) { counts.push_back(static_cast<std::uint64_t>(value)); };
    add(computer.hid.acquisitions());
    add(computer.hid.handlesOpen());
    add(computer.hid.badReleases());
    add(computer.hid.readsInFlight());
    add(computer.hid.completionsAfterClose());
    add(computer.hid.handleCalls().size());
    add(computer.hid.overlappedOpens().size());
    add(computer.interfaces.setsMade());
    add(computer.interfaces.setsOpen());
    add(computer.interfaces.badReleases());
    add(computer.usb.opens());
    add(computer.usb.closes());
    add(computer.usb.badReleases());
    add(computer.usb.ioctls().size());
    add(computer.usb.removalCalls().size());
    add(computer.spooler.enumPrintersCalls());
    add(computer.spooler.enumJobsCalls());
    add(computer.spooler.openCalls().size());
    add(computer.spooler.opens());
    add(computer.spooler.closes());
    add(computer.spooler.badReleases());
    add(computer.registry.opens());
    add(computer.registry.closes());
    add(computer.registry.badReleases());
}

// `console` runs over `simulated`.
inline ModelObservation observe(sim::SimulatedSwitch& simulated, switchsim::Console& console) {
    ModelObservation observed{console.execute("state"), {}};
    for (const sim::Host host : {sim::Host::A, sim::Host::B}) {
        countCallsOf(simulated.computer(host), observed.counts);
        observed.counts.push_back(simulated.firmware.signedOff(host) ? 1 : 0);
        observed.counts.push_back(simulated.firmware.lastGrant(host));
    }
    observed.counts.push_back(simulated.firmware.received().size());
    observed.counts.push_back(simulated.firmware.rawMask());
    observed.counts.push_back(simulated.clock.now());
    observed.counts.push_back(simulated.clock.pendingEvents());
    return observed;
}

}  // namespace pivora::fuzz
