#include "control/control_loop.h"

namespace pivora {

namespace {
constexpr std::array<std::uint64_t, 2> kPeriods = {ControlLoop::kTickPeriodMs, ControlLoop::kPrinterPeriodMs};
}  // namespace

std::uint64_t ControlLoop::post(const Command& command) {
    const std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(command);
    return ++posted_;
}

void ControlLoop::startTimers(std::uint64_t now) {
    for (std::size_t timer = 0; timer < due_.size(); ++timer) due_.at(timer) = now + kPeriods.at(timer);
    started_ = true;
}

bool ControlLoop::runNext(std::uint64_t now) {
    if (!started_ || stopped_) return false;
    Command command{Command::Tick};
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (!commands_.empty()) {
            command = commands_.front();
            commands_.pop_front();
        } else {
            if (nextTimerDue() > now) return false;
            // Timer 0 wins a tie: it is looked at first.
            const std::size_t timer = due_.at(1) < due_.at(0) ? 1 : 0;
            std::uint64_t& due = due_.at(timer);
            // The ticks that passed meanwhile fold into this one.
            due += kPeriods.at(timer) * ((now - due) / kPeriods.at(timer) + 1);
            command = Command{Command::Tick, static_cast<int>(timer)};
        }
    }
    handle_(command);
    if (command.kind == Command::Stop) stopped_ = true;
    if (command.kind != Command::Tick) {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++handled_;
    }
    return true;
}

std::uint64_t ControlLoop::nextTimerDue() const { return due_.at(0) < due_.at(1) ? due_.at(0) : due_.at(1); }

bool ControlLoop::commandWaiting() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return !commands_.empty();
}

std::uint64_t ControlLoop::handledThrough() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return handled_;
}

}  // namespace pivora
