#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "control/control_thread.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"

namespace pivora::test {
namespace {

// The switch's virtual time, but every sleep first waits for a gate the test
// opens: the control can be held inside a wait for as long as the test needs.
class GateClock : public Clock {
public:
    explicit GateClock(sim::VirtualClock& time) : time_(time) {}

    void sleep(std::uint32_t ms) override {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return open_; });
        }
        time_.sleep(ms);
    }
    std::uint32_t tickCount() override { return time_.tickCount(); }

    // True once a sleep is held at the gate, within `limit`.
    bool holdsASleep(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return held_; });
    }
    void open() {
        const std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

private:
    sim::VirtualClock& time_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool open_ = false;
};

// The control on its own thread, in real time, over host A of a simulated
// switch: the switch itself is only ever touched from the control's thread.
TEST(ControlThread, TheWindowNeverWaitsButForItsBoundAndStopSignsOff) {
    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    GateClock gate(sw.clock);
    const Platform simulated = sw.hostA.platform(trace);
    Platform platform{gate,          trace,         simulated.interfaces, simulated.hid, simulated.hubs,
                      simulated.removal, simulated.spooler, simulated.registry};
    std::atomic<int> panelsChanged{0};
    {
        ControlThread control(platform);
        EXPECT_FALSE(control.postAndWait(Command{Command::DeviceChanged}, 10)) << "nothing runs before the start";
        control.start([&panelsChanged] { ++panelsChanged; });

        // The first tick connects and sends InfoQuery: its send waits at the gate.
        ASSERT_TRUE(gate.holdsASleep(std::chrono::seconds(10)));
        control.post(Command{Command::Claim, 2});
        EXPECT_FALSE(control.postAndWait(Command{Command::DumpPortIds}, 50)) << "the control is busy";
        EXPECT_EQ(control.panel().switchType, "2-2") << "published before the wait, for the window to read";
        EXPECT_EQ(panelsChanged.load(), 1);

        gate.open();
        EXPECT_TRUE(control.postAndWait(Command{Command::DumpPortIds}, 10000));
        EXPECT_EQ(control.panel().host, "A");
        control.stop();
        EXPECT_GT(panelsChanged.load(), 0);
    }
    const auto& received = sw.firmware.received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(received.front().bytes[1], code::InfoQuery);
    EXPECT_EQ(received.back().bytes[1], code::SignOff) << "the connected controller heard the exit";
    EXPECT_TRUE(sw.hostA.allReleased());
}

}  // namespace
}  // namespace pivora::test
