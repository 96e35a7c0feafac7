#include "lockstep.h"

#include <algorithm>
#include <optional>
#include <thread>

namespace pivora::bench {

void Lockstep::run(const std::vector<Body>& bodies) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        parties_.assign(bodies.size(), Party{});
        const std::uint64_t start = clock_.now();
        for (auto& party : parties_) party.wakeTime = [start] { return start; };
    }
    std::vector<std::thread> threads;
    threads.reserve(bodies.size());
    for (std::size_t index = 0; index < bodies.size(); ++index) {
        const int party = static_cast<int>(index);
        threads.emplace_back([this, party, &bodies] {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                waitForBaton(lock, party);
            }
            bodies.at(static_cast<std::size_t>(party))(party);
            std::lock_guard<std::mutex> lock(mutex_);
            parties_.at(static_cast<std::size_t>(party)).state = State::Finished;
            handOn();
        });
    }
    {
        // The first baton goes out once every party is waiting for it.
        std::lock_guard<std::mutex> lock(mutex_);
        handOn();
    }
    for (auto& thread : threads) thread.join();
}

void Lockstep::waitUntil(int party, WakeTime wakeTime) {
    std::unique_lock<std::mutex> lock(mutex_);
    Party& self = parties_.at(static_cast<std::size_t>(party));
    self.state = State::Waiting;
    self.wakeTime = std::move(wakeTime);
    handOn();
    waitForBaton(lock, party);
}

void Lockstep::sleepFor(int party, std::uint64_t ms) {
    const std::uint64_t due = clock_.now() + ms;
    waitUntil(party, [due] { return due; });
}

void Lockstep::handOn() {
    holder_ = -1;
    for (;;) {
        std::optional<std::size_t> next;
        std::uint64_t nextTime = 0;
        for (std::size_t index = 0; index < parties_.size(); ++index) {
            const Party& party = parties_[index];
            if (party.state != State::Waiting) continue;
            const std::uint64_t due = std::max(party.wakeTime(), clock_.now());
            if (!next || due < nextTime) {
                next = index;
                nextTime = due;
            }
        }
        // Nobody left to wake: whatever the switch still has scheduled stays.
        if (!next) break;
        // A switch event due no later than the party goes first: it may be
        // what the party waits for, or post a message that wakes another.
        const auto event = clock_.nextEventTime();
        if (event && *event <= nextTime) {
            clock_.runUntil(*event);
            continue;
        }
        clock_.runUntil(nextTime);
        holder_ = static_cast<int>(*next);
        parties_[*next].state = State::Running;
        break;
    }
    turn_.notify_all();
}

void Lockstep::waitForBaton(std::unique_lock<std::mutex>& lock, int party) {
    turn_.wait(lock, [this, party] { return holder_ == party; });
}

}  // namespace pivora::bench
