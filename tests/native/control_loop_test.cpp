#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "fake_user_registry.h"
#include "app/switch_dialog.h"
#include "message_queue_window.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"
#include "virtual_control.h"

namespace pivora::test {
namespace {

const OsHandle kWindow = RecordingWindow::handle(0x77);

// What the loop handled, as "tick 0@1000" or "command 3@250".
struct Item {
    bool tick;
    int value;  // the timer, or the command's value
    std::uint64_t time;
    bool operator==(const Item& other) const {
        return tick == other.tick && value == other.value && time == other.time;
    }
};
void PrintTo(const Item& item, std::ostream* os) {
    *os << (item.tick ? "tick " : "command ") << item.value << "@" << item.time;
}
Item tick(int timer, std::uint64_t time) { return {true, timer, time}; }
Item command(int value, std::uint64_t time) { return {false, value, time}; }

// The loop over a bare clock. Each command (DumpPortIds, its value naming
// it) and each tick goes to the handler the test gives it, if any: a
// handler may sleep on the clock to play a slow one.
class Loop : public ::testing::Test {
protected:
    using Handler = std::function<void()>;

    void post(int value) { loop.postCommand(Command{Command::DumpPortIds, value}); }
    Handler sleeping(std::uint32_t ms) {
        return [this, ms] { clock.sleep(ms); };
    }
    std::vector<Item> items() const {
        std::vector<Item> found;
        for (const auto& item : loop.handled())
            found.push_back({item.command.kind == Command::Tick, item.command.value, item.time});
        return found;
    }

    sim::VirtualClock clock;
    std::map<int, Handler> onCommand;
    std::map<int, Handler> onTick;
    VirtualLoop loop{clock, [this](const Command& handled) {
                         const auto& table = handled.kind == Command::Tick ? onTick : onCommand;
                         const auto handler = table.find(handled.value);
                         if (handler != table.end()) handler->second();
                     }};
};

TEST_F(Loop, CommandsGoInTheOrderTheyCameAndWaitForTheLoopToStart) {
    onCommand[1] = [&] { post(3); };  // behind the one already waiting
    post(1);
    post(2);
    loop.runUntil(0);
    EXPECT_TRUE(items().empty()) << "nothing runs before the loop starts";

    loop.startLoop();
    loop.runUntil(0);
    EXPECT_EQ(items(), (std::vector<Item>{command(1, 0), command(2, 0), command(3, 0)}));
}

TEST_F(Loop, TimersTickOnTheirOwnGridAndEachHandlerRunsToItsEnd) {
    loop.startLoop();
    onTick[0] = sleeping(300);

    loop.runUntil(10000);
    // At 5000 both are due: timer 0 first, the other once its handler ends.
    // A tick's handler taking 300 ms does not move the next tick off the grid.
    EXPECT_EQ(items(), (std::vector<Item>{tick(0, 1000), tick(0, 2000), tick(0, 3000), tick(0, 4000), tick(0, 5000),
                                          tick(1, 5300), tick(0, 6000), tick(0, 7000), tick(0, 8000), tick(0, 9000),
                                          tick(0, 10000)}));
    EXPECT_EQ(clock.now(), 10300u) << "the tick at 10000 ran to its end";
}

TEST_F(Loop, CommandsGoBeforeADueTimerAndMissedTicksComeOnceOnTheGrid) {
    loop.startLoop();
    onCommand[1] = [&] {
        clock.sleep(5600);
        post(2);
        post(3);
    };
    post(1);

    loop.runUntil(7000);
    // Both timers fell due during the sleep: timer 0 first, due since 1000,
    // its four missed ticks folded into one; then timer 1, due since 5000.
    EXPECT_EQ(items(), (std::vector<Item>{command(1, 0), command(2, 5600), command(3, 5600), tick(0, 5600),
                                          tick(1, 5600), tick(0, 6000), tick(0, 7000)}));
}

TEST_F(Loop, ACommandPostedByAClockEventIsHandledAtTheEventsTimeOrAfterTheOneRunning) {
    loop.startLoop();
    clock.schedule(1234, [&] { post(1); });
    onCommand[2] = sleeping(800);
    clock.schedule(3000, [&] { post(2); });
    // Falls due while a handler sleeps: waits for that handler to end.
    clock.schedule(3100, [&] { post(3); });

    loop.runUntil(4000);
    EXPECT_EQ(items(), (std::vector<Item>{tick(0, 1000), command(1, 1234), tick(0, 2000), command(2, 3000),
                                          command(3, 3800), tick(0, 3800), tick(0, 4000)}));
}

TEST_F(Loop, AHandlerRunningPastTheEndLeavesTheRestQueued) {
    loop.startLoop();
    onCommand[1] = sleeping(3000);
    post(1);
    post(2);

    loop.runUntil(1000);
    EXPECT_EQ(items(), (std::vector<Item>{command(1, 0)}));
    EXPECT_EQ(clock.now(), 3000u);
    loop.runUntil(3000);
    ASSERT_GE(items().size(), 2u);
    EXPECT_EQ(items()[1], command(2, 3000)) << "before the tick due since 1000";
}

// The window's queue: a message goes out at the moment it was posted, also
// while a command of the control sleeps; in posting order.
TEST(WindowQueue, MessagesGoOutWhenPostedEvenWhileTheControlSleeps) {
    sim::VirtualClock clock;
    MessageQueueWindow windows(clock);
    std::vector<std::uint32_t> seen;
    windows.dispatcher = [&](const QueuedMessage& message) {
        seen.push_back(message.message);
        if (message.message == 0x400) windows.postMessage(kWindow, 0x402, 0, 0);  // behind 0x401
    };
    VirtualLoop loop(clock, [&](const Command& command) {
        if (command.kind == Command::Tick) return;
        windows.postMessage(kWindow, 0x400, 0, 0);
        windows.postMessage(kWindow, 0x401, 0, 0);
        clock.sleep(500);
    });
    loop.startLoop();
    loop.postCommand(Command{Command::DumpPortIds});
    clock.schedule(200, [&] { windows.postMessage(kWindow, 0x403, 0, 0); });

    loop.runUntil(1000);
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x400, 0x401, 0x402, 0x403}));
    EXPECT_EQ(windows.dispatched()[0], (DispatchedMessage{0x400, 0, 0}));
    EXPECT_EQ(windows.dispatched()[3], (DispatchedMessage{0x403, 0, 200})) << "while the command slept";
}

// The main window's object and the control on host A of a simulated switch.
TEST(LoopWithSwitchDialog, StartupMessagesThenBothTimers) {
    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    MessageQueueWindow windows(sw.clock);
    Platform platform(sw.hostA.platform(trace));
    VirtualControl loop(sw.clock, platform);
    FakeUserRegistry registry;
    SwitchDialog dialog(loop, windows, registry, u"C:\\Pivora\\pivora.exe");
    windows.dispatcher = dispatchTo(dialog);
    ASSERT_EQ(dialog.initMainWindow(kWindow), 1);
    ASSERT_EQ(dialog.liveInstance, 1);

    loop.runUntil(8000);
    const auto& dispatched = windows.dispatched();
    ASSERT_GE(dispatched.size(), 2u);
    EXPECT_EQ(dispatched[0], (DispatchedMessage{win::kWmSize, win::kSizeMinimized, 0}));
    EXPECT_EQ(dispatched[1], (DispatchedMessage{win::kWmDeviceChange, win::kDbtDevNodesChanged, 0}));
    EXPECT_EQ(windows.timesOf("showWindow 77 0"), (std::vector<std::uint64_t>{0})) << "WM_SIZE hid the window";
    const auto& handled = loop.handled();
    ASSERT_GE(handled.size(), 2u);
    EXPECT_EQ(handled[0].command.kind, Command::DeviceChanged);
    EXPECT_EQ(handled[0].time, 0u);
    EXPECT_EQ(handled[1].command.kind, Command::Tick);
    EXPECT_EQ(handled[1].time, 1000u);

    // However long the ticks take (ticks they sleep through fold into one),
    // the first tick from 5000 on is the 1-second tick due by then, and the
    // 5-second timer's first tick, due at 5000, comes right after it.
    std::vector<int> timersFrom5000;
    for (const auto& item : handled)
        if (item.command.kind == Command::Tick && item.time >= 5000) timersFrom5000.push_back(item.command.value);
    ASSERT_GE(timersFrom5000.size(), 2u);
    EXPECT_EQ(std::vector<int>(timersFrom5000.begin(), timersFrom5000.begin() + 2), (std::vector<int>{0, 1}));
}

}  // namespace
}  // namespace pivora::test
