#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "sim/virtual_clock.h"

namespace pivora::bench {

// Several control threads in one virtual time. Each party is a thread of its
// own (a computer's control thread, or the user at the keyboard), but only one
// runs at a time: a party that waits hands the baton to the party, or the
// switch event, that falls due first, so two computers that sleep inside
// their handlers overlap exactly as they would on two desks, and every run
// is the same to the millisecond.
class Lockstep {
public:
    using WakeTime = std::function<std::uint64_t()>;
    using Body = std::function<void(int party)>;

    explicit Lockstep(sim::VirtualClock& clock) : clock_(clock) {}
    Lockstep(const Lockstep&) = delete;
    Lockstep& operator=(const Lockstep&) = delete;

    // Runs each body on a thread of its own, party i being bodies[i], until
    // all have returned. They start together at the present time, in order.
    void run(const std::vector<Body>& bodies);

    // Called by the running party: gives up the baton until `wakeTime`, asked
    // afresh whenever anything has happened, is due. It may return a time
    // already past to be woken at once (a message was posted to it).
    void waitUntil(int party, WakeTime wakeTime);
    void sleepFor(int party, std::uint64_t ms);

    sim::VirtualClock& clock() { return clock_; }

private:
    enum class State { Waiting, Running, Finished };
    struct Party {
        State state = State::Waiting;
        WakeTime wakeTime;
    };

    // With the lock held and no party running: runs the switch's events and
    // picks the next party, in time order.
    void handOn();
    void waitForBaton(std::unique_lock<std::mutex>& lock, int party);

    sim::VirtualClock& clock_;
    std::mutex mutex_;
    std::condition_variable turn_;
    std::vector<Party> parties_;
    int holder_ = -1;
};

}  // namespace pivora::bench
