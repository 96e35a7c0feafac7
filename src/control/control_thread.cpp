#include "control/control_thread.h"

#include <chrono>
#include <utility>

namespace pivora {

ControlThread::ControlThread(HostSystem& host)
    : loop_([this](const Command& command) { control_.handle(command); }),
      control_(
          host, [this](const PanelState& panel) { published(panel); },
          [this](const Command& command) { loop_.post(command); }) {}

ControlThread::ControlThread(Platform& platform)
    : loop_([this](const Command& command) { control_.handle(command); }),
      control_(
          platform, [this](const PanelState& panel) { published(panel); },
          [this](const Command& command) { loop_.post(command); }) {}

ControlThread::~ControlThread() { end(); }

void ControlThread::start(std::function<void()> panelChanged) {
    if (thread_.joinable()) return;
    panelChanged_ = std::move(panelChanged);
    loop_.startTimers(nowMs());
    thread_ = std::thread([this] { run(); });
}

void ControlThread::post(const Command& command) { enqueue(command); }

void ControlThread::enqueue(const Command& command) {
    {
        // Under the lock the loop waits with, so the wake cannot fall between
        // its look at the queue and its wait.
        const std::lock_guard<std::mutex> lock(mutex_);
        loop_.post(command);
    }
    wake_.notify_one();
}

bool ControlThread::postAndWait(const Command& command, std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::uint64_t number = loop_.post(command);
    wake_.notify_one();
    if (!thread_.joinable()) return false;
    return handled_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this, number] { return loop_.handledThrough() >= number; });
}

PanelState ControlThread::panel() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return panel_;
}

void ControlThread::stop() { end(); }

void ControlThread::end() {
    if (!thread_.joinable()) return;
    enqueue(Command{Command::Stop});
    thread_.join();
}

void ControlThread::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!loop_.stopped()) {
        if (loop_.commandWaiting() || loop_.nextTimerDue() <= nowMs()) {
            // The window may post, and read the panel, while a command runs.
            lock.unlock();
            loop_.runNext(nowMs());
            lock.lock();
            handled_.notify_all();
            continue;
        }
        const std::uint64_t now = nowMs();
        const std::uint64_t due = loop_.nextTimerDue();
        wake_.wait_for(lock, std::chrono::milliseconds(due > now ? due - now : 0));
    }
}

void ControlThread::published(const PanelState& panel) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        panel_ = panel;
    }
    if (panelChanged_) panelChanged_();
}

std::uint64_t ControlThread::nowMs() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace pivora
