#pragma once

#include <cstdint>

namespace pivora {

// What the window (or the control itself) asks of the control loop.
struct Command {
    enum Kind : std::uint8_t {
        Tick,             // value: timer 0 (every second) or 1 (every 5 s)
        DeviceChanged,    // the controller and the hub are looked for afresh
        Claim,            // value: port 0..3, brought to this computer
        Release,          // value: port 0..3, handed to the other computer
        ToggleAll,        // the double tap
        Suspend,          // the system is about to sleep
        Resume,           // either resume event
        QueryEndSession,  // the session may end
        EndSession,       // value: 1 when it ends, 0 when cancelled
        DumpPortIds,      // the registry to the diagnostic trace
        Stop,             // the program ends: the last command handled
    };

    Kind kind = Tick;
    int value = 0;
};

}  // namespace pivora
