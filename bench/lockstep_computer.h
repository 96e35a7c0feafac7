#pragma once

#include <cstdint>

#include "app/switch_dialog.h"
#include "fake_user_registry.h"
#include "lockstep.h"
#include "message_queue_window.h"
#include "recording_trace.h"
#include "virtual_control.h"
#include "sim/simulated_switch.h"

namespace pivora::bench {

// The program on one computer of a simulated switch, its control's thread a
// party of a Lockstep: its sleeps and its idle waits give up the baton, so
// the other computer runs meanwhile. Its window's messages are events of the
// shared clock, handled whenever they fall due.
class LockstepComputer {
public:
    static OsHandle mainWindow() { return test::RecordingWindow::handle(0x77); }

    LockstepComputer(Lockstep& lockstep, sim::SimulatedSwitch& sw, sim::Host which)
        : host(which),
          computer(sw.computer(which)),
          clock(lockstep),
          removal(computer.usb, clock),
          windows(lockstep.clock()),
          platform{clock, trace, computer.interfaces, computer.hid, computer.usb, removal, computer.spooler,
                   computer.registry},
          control(lockstep, platform),
          dialog(control, windows, userRegistry, u"C:\\Pivora\\pivora.exe") {
        windows.dispatcher = test::dispatchTo(dialog);
        // Windows tells every top-level window when the device tree changes.
        computer.usb.onTreeChanged = [this] {
            windows.postMessage(mainWindow(), win::kWmDeviceChange, win::kDbtDevNodesChanged, 0);
        };
    }
    LockstepComputer(const LockstepComputer&) = delete;
    LockstepComputer& operator=(const LockstepComputer&) = delete;

    // The body of this computer's party: starts the program `startDelayMs`
    // from now and runs its control until virtual time `until`.
    void run(int party, std::uint64_t startDelayMs, std::uint64_t until) {
        clock.party = party;
        control.party = party;
        clock.lockstep.sleepFor(party, startDelayMs);
        dialog.initMainWindow(mainWindow());
        control.runUntil(until);
    }

    // Posts as the user's click or double tap would; only while this
    // computer's party does not run (from another party).
    void post(std::uint32_t message, std::uintptr_t wParam) { windows.postMessage(mainWindow(), message, wParam, 0); }

    class PartyClock : public Clock {
    public:
        explicit PartyClock(Lockstep& lockstep_) : lockstep(lockstep_) {}
        void sleep(std::uint32_t ms) override { lockstep.sleepFor(party, ms); }
        std::uint32_t tickCount() override { return lockstep.clock().tickCount(); }
        Lockstep& lockstep;
        int party = -1;
    };

    class PartyControl : public test::VirtualControl {
    public:
        PartyControl(Lockstep& lockstep_, Platform& platform)
            : VirtualControl(lockstep_.clock(), platform), lockstep(lockstep_) {}
        Lockstep& lockstep;
        int party = -1;

    protected:
        void waitUntil(std::uint64_t time) override {
            lockstep.waitUntil(party, [this, time] { return commandWaiting() ? 0 : time; });
        }
    };

    const sim::Host host;
    sim::SimComputer& computer;
    test::RecordingTrace trace;
    PartyClock clock;
    // A slow device's removal sleeps on the party's clock, as the other sleeps do.
    sim::TimedRemoval removal;
    test::MessageQueueWindow windows;
    test::FakeUserRegistry userRegistry;
    Platform platform;
    PartyControl control;
    SwitchDialog dialog;
};

}  // namespace pivora::bench
