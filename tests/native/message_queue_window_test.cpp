#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "app/switch_dialog.h"
#include "message_queue_window.h"
#include "recording_trace.h"
#include "sim/simulated_switch.h"

namespace pivora::test {
namespace {

const OsHandle kWindow = RecordingWindow::handle(0x77);
constexpr std::uint32_t kFirst = 0x0400;
constexpr std::uint32_t kSecond = 0x0401;
constexpr std::uint32_t kThird = 0x0402;

DispatchedMessage tick(std::uintptr_t id, std::uint64_t time) { return {win::kWmTimer, id, time}; }

// The queue over a bare clock. Each message goes to the handler the test
// gives its message number (a timer's to its id's), if any: a handler may
// sleep on the clock to play a slow one.
class MessageQueue : public ::testing::Test {
protected:
    using Handler = std::function<void(const QueuedMessage&)>;

    MessageQueue() {
        windows.dispatcher = [this](const QueuedMessage& message) {
            const auto& table = message.message == win::kWmTimer ? onTimer : onMessage;
            const auto key = message.message == win::kWmTimer ? message.wParam : message.message;
            const auto handler = table.find(key);
            if (handler != table.end()) handler->second(message);
        };
    }

    void post(std::uint32_t message, std::intptr_t lParam = 0) { windows.postMessage(kWindow, message, 0, lParam); }
    Handler sleeping(std::uint32_t ms) {
        return [this, ms](const QueuedMessage&) { clock.sleep(ms); };
    }

    sim::VirtualClock clock;
    MessageQueueWindow windows{clock};
    std::map<std::uintptr_t, Handler> onMessage;
    std::map<std::uintptr_t, Handler> onTimer;
};

TEST_F(MessageQueue, PostedMessagesGoOutInPostingOrderAsTheyWerePosted) {
    std::vector<QueuedMessage> seen;
    onMessage[kFirst] = [&](const QueuedMessage& message) {
        seen.push_back(message);
        post(kThird);  // behind the one already waiting
    };
    post(kFirst, 0x1234);
    windows.cursorX = 5;  // the cursor moves after the post
    post(kSecond);

    windows.runUntil(0);
    EXPECT_EQ(windows.dispatched(),
              (std::vector<DispatchedMessage>{{kFirst, 0, 0}, {kSecond, 0, 0}, {kThird, 0, 0}}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].window, kWindow);
    EXPECT_EQ(seen[0].lParam, 0x1234);
    EXPECT_EQ(seen[0].cursorX, 100) << "where the cursor was at the post";
    EXPECT_EQ(seen[0].cursorY, 200);
}

TEST_F(MessageQueue, TimersTickOnTheirOwnGridAndEachHandlerRunsToItsEnd) {
    windows.setTimer(kWindow, 1, 5000);
    windows.setTimer(kWindow, 0, 1000);
    onTimer[0] = sleeping(300);

    windows.runUntil(10000);
    // At 5000 both are due: the lower id first, the other once its handler ends.
    // A tick's handler taking 300 ms does not move the next tick off the grid.
    EXPECT_EQ(windows.dispatched(),
              (std::vector<DispatchedMessage>{tick(0, 1000), tick(0, 2000), tick(0, 3000), tick(0, 4000),
                                              tick(0, 5000), tick(1, 5300), tick(0, 6000), tick(0, 7000),
                                              tick(0, 8000), tick(0, 9000), tick(0, 10000)}));
    EXPECT_EQ(clock.now(), 10300u) << "the tick at 10000 ran to its end";
}

TEST_F(MessageQueue, TheTimerDueEarlierGoesFirstWhateverItsId) {
    windows.setTimer(kWindow, 5, 100);
    windows.setTimer(kWindow, 2, 150);
    onMessage[kFirst] = sleeping(400);
    post(kFirst);

    windows.runUntil(500);
    EXPECT_EQ(windows.dispatched(), (std::vector<DispatchedMessage>{{kFirst, 0, 0}, tick(5, 400), tick(2, 400),
                                                                    tick(2, 450), tick(5, 500)}));
}

TEST_F(MessageQueue, PostedMessagesGoBeforeADueTimer) {
    windows.setTimer(kWindow, 0, 1000);
    onMessage[kFirst] = [&](const QueuedMessage&) {
        clock.sleep(1500);
        post(kSecond);
        post(kThird);
    };
    post(kFirst);

    windows.runUntil(2000);
    EXPECT_EQ(windows.dispatched(), (std::vector<DispatchedMessage>{{kFirst, 0, 0}, {kSecond, 0, 1500},
                                                                    {kThird, 0, 1500}, tick(0, 1500),
                                                                    tick(0, 2000)}));
}

TEST_F(MessageQueue, TicksMissedByASlowHandlerComeOncePerTimerAndTheGridHolds) {
    windows.setTimer(kWindow, 0, 1000);
    windows.setTimer(kWindow, 1, 1500);
    onTimer[0] = [&](const QueuedMessage&) {
        if (clock.now() == 2000) clock.sleep(4500);
    };

    windows.runUntil(7500);
    EXPECT_EQ(windows.dispatched(),
              (std::vector<DispatchedMessage>{tick(0, 1000), tick(1, 1500), tick(0, 2000), tick(0, 6500),
                                              tick(1, 6500), tick(0, 7000), tick(1, 7500)}));
}

TEST_F(MessageQueue, SettingATimerAgainRestartsItAndKillingOneDropsItsDueTick) {
    windows.setTimer(kWindow, 0, 1000);
    windows.setTimer(kWindow, 1, 1000);
    onMessage[kFirst] = [&](const QueuedMessage&) {
        clock.sleep(2500);
        windows.killTimer(kWindow, 0);  // its tick has been due since 1000
        windows.setTimer(kWindow, 1, 400);
    };
    post(kFirst);

    windows.runUntil(3500);
    EXPECT_EQ(windows.dispatched(),
              (std::vector<DispatchedMessage>{{kFirst, 0, 0}, tick(1, 2900), tick(1, 3300)}));
}

TEST_F(MessageQueue, AMessagePostedByAClockEventIsDeliveredAtTheEventsTime) {
    windows.setTimer(kWindow, 0, 1000);
    clock.schedule(1234, [&] { windows.postMessage(kWindow, win::kWmDeviceChange, win::kDbtDevNodesChanged, 0); });
    clock.schedule(2500, [&] { post(kFirst); });
    onMessage[kSecond] = sleeping(800);
    // Falls due while a handler sleeps: waits for that handler to end.
    clock.schedule(3100, [&] { post(kThird); });
    clock.schedule(3000, [&] { post(kSecond); });

    windows.runUntil(2000);
    EXPECT_EQ(windows.dispatched(), (std::vector<DispatchedMessage>{
                                        tick(0, 1000), {win::kWmDeviceChange, win::kDbtDevNodesChanged, 1234},
                                        tick(0, 2000)}));
    EXPECT_EQ(clock.now(), 2000u);

    windows.runUntil(4000);
    const std::vector<DispatchedMessage> after2000(windows.dispatched().begin() + 3, windows.dispatched().end());
    // At 3000 the posted message goes before the tick due with it.
    EXPECT_EQ(after2000, (std::vector<DispatchedMessage>{{kFirst, 0, 2500}, {kSecond, 0, 3000}, {kThird, 0, 3800},
                                                         tick(0, 3800), tick(0, 4000)}));
}

TEST_F(MessageQueue, AHandlerRunningPastTheEndLeavesTheRestQueued) {
    onMessage[kFirst] = sleeping(3000);
    post(kFirst);
    post(kSecond);

    windows.runUntil(1000);
    EXPECT_EQ(windows.dispatched(), (std::vector<DispatchedMessage>{{kFirst, 0, 0}}));
    EXPECT_EQ(clock.now(), 3000u);

    windows.runUntil(3000);
    EXPECT_EQ(windows.dispatched().back(), (DispatchedMessage{kSecond, 0, 3000}));
}

TEST_F(MessageQueue, EveryCallIsTimedWhenItIsMade) {
    onMessage[kFirst] = [&](const QueuedMessage&) {
        windows.showControl(kWindow, 1010, win::kSwShow);
        clock.sleep(400);
        windows.showControl(kWindow, 1010, win::kSwHide);
    };
    clock.schedule(250, [&] { post(kFirst); });

    windows.runUntil(1000);
    EXPECT_EQ(windows.timesOf("showControl 1010 5"), (std::vector<std::uint64_t>{250}));
    EXPECT_EQ(windows.timesOf("showControl 1010 0"), (std::vector<std::uint64_t>{650}));
    EXPECT_EQ(windows.timesOf("postMessage 77 0x0400 0 0x0"), (std::vector<std::uint64_t>{250}));
    ASSERT_EQ(windows.timedCalls().size(), windows.calls.size());
    for (std::size_t index = 0; index < windows.calls.size(); ++index)
        EXPECT_EQ(windows.timedCalls()[index].line, windows.calls[index]);
}

// The main window's object on host A of a simulated switch, fed by the queue.
TEST(MessageQueueWithSwitchDialog, StartupMessagesThenBothTimers) {
    sim::SimulatedSwitch sw;
    RecordingTrace trace;
    MessageQueueWindow windows(sw.clock);
    Platform platform(sw.hostA.platform(trace));
    SwitchDialog dialog(platform, windows);
    windows.dispatcher = dispatchTo(dialog);
    ASSERT_EQ(dialog.initMainWindow(kWindow), 1);
    ASSERT_EQ(dialog.liveInstance, 1);

    windows.runUntil(8000);
    const auto& dispatched = windows.dispatched();
    ASSERT_GE(dispatched.size(), 3u);
    EXPECT_EQ(dispatched[0], (DispatchedMessage{win::kWmSize, win::kSizeMinimized, 0}));
    EXPECT_EQ(dispatched[1], (DispatchedMessage{win::kWmDeviceChange, win::kDbtDevNodesChanged, 0}));
    EXPECT_EQ(dispatched[2], tick(0, 1000));
    EXPECT_EQ(windows.timesOf("showWindow 77 0"), (std::vector<std::uint64_t>{0})) << "WM_SIZE hid the window";

    // However long the ticks take (ticks they sleep through fold into one),
    // the first timer message from 5000 on is the 1-second tick due by then,
    // and the 5-second timer's first tick, due at 5000, comes right after it.
    std::vector<std::uintptr_t> idsFrom5000;
    for (const auto& message : dispatched)
        if (message.message == win::kWmTimer && message.time >= 5000) idsFrom5000.push_back(message.wParam);
    ASSERT_GE(idsFrom5000.size(), 2u);
    EXPECT_EQ(std::vector<std::uintptr_t>(idsFrom5000.begin(), idsFrom5000.begin() + 2),
              (std::vector<std::uintptr_t>{0, 1}));
}

}  // namespace
}  // namespace pivora::test
