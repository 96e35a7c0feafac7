#include "sim/virtual_clock.h"

namespace pivora::sim {

void VirtualClock::schedule(std::uint64_t delayMs, Event event) {
    events_.emplace(std::make_pair(now_ + delayMs, sequence_++), std::move(event));
}

void VirtualClock::runUntil(std::uint64_t time) {
    while (!events_.empty() && events_.begin()->first.first <= time) {
        auto next = events_.begin();
        if (next->first.first > now_) now_ = next->first.first;
        Event event = std::move(next->second);
        events_.erase(next);
        event();
    }
    if (time > now_) now_ = time;
}

}  // namespace pivora::sim
