#pragma once

#include <cstdint>
#include <vector>

namespace pivora::bench {

// The waits the protocol itself imposes on a move, with nothing else: what
// the program sleeps (the request pause, the pause before ReleaseDone, the
// reopen's cancel), each send's pacing and its 10 ms completion steps, the
// reply polling, and the wait for the next control tick of the computer that
// acts next. Added up along the path of a move from these constants alone,
// never from the program's own, so a wait the program adds shows as a
// measured time above this minimum.
namespace waits {
constexpr std::uint64_t kTickMs = 1000;         // timer 0
constexpr std::uint64_t kPrinterTickMs = 5000;  // timer 1, a tick as well
constexpr std::uint64_t kRequestPauseMs = 500;
constexpr std::uint64_t kSendStepMs = 10;
constexpr std::uint64_t kQueryPacingMs = 20;    // InfoQuery, StatusQuery, ReadPortId
constexpr std::uint64_t kReportPacingMs = 600;  // every other report
constexpr std::uint64_t kReplyPollMs = 100;
constexpr std::uint64_t kReleasePauseMs = 1000;
constexpr std::uint64_t kReopenCancelMs = 400;
}  // namespace waits

// The switch's own times, which the simulated switch is set to as well.
struct SwitchTimes {
    std::uint64_t writeMs;        // a report written until the controller has it
    std::uint64_t replyMs;        // a request until its reply is there to read
    std::uint64_t enumerationMs;  // a port switched until its devices appear
};

// One computer's control tick timers, and when its control's thread was busy
// along the path, which folds the ticks due meanwhile into one at its end.
class TickGrid {
public:
    TickGrid(const char* which, std::uint64_t startMs) : name(which), start_(startMs) {}

    // When the first tick at or after `time` is handled; the thread is
    // taken from then on until busyUntil().
    std::uint64_t tickFrom(std::uint64_t time);
    // The thread is free again.
    void busyUntil(std::uint64_t time) { busy_.back().until = time; }
    // A posted message handled at once unless a handler runs: when.
    std::uint64_t messageAt(std::uint64_t time);

    const char* name;

private:
    struct Busy {
        std::uint64_t from;
        std::uint64_t until;
    };
    std::uint64_t deliveredAt(std::uint64_t due) const;

    std::uint64_t start_;
    std::uint64_t lastTick_[2] = {0, 0};
    std::vector<Busy> busy_;
};

// What a stretch of a path waits for.
enum class Wait { RequestPause, Sends, ReplyPolling, Ticks, ReleasePause, Reopen, Switch };
constexpr int kWaitKinds = 7;
const char* waitName(Wait wait);

struct Stage {
    Wait wait;
    std::uint64_t end;
};

// A chain of waits from the user's action, on one computer or across both.
class Path {
public:
    Path(std::uint64_t from, SwitchTimes times) : start(from), now(from), times_(times) {}

    void wait(Wait what, std::uint64_t ms) { to(what, now + ms); }
    void to(Wait what, std::uint64_t time);
    // A send: the write, seen complete at the next 10 ms step, then its
    // pacing. Returns when the controller had the report.
    std::uint64_t send(bool query);
    // A reply polled for right after its request's send returned.
    void awaitReply(std::uint64_t requestWritten);
    // The first tick of `grid` that finds something `ready` by then.
    void nextTick(TickGrid& grid, std::uint64_t ready);
    // How long the path spent on each kind of wait.
    std::uint64_t spentOn(Wait what) const;
    // The same path up to `time`, going on from there.
    Path branch(std::uint64_t time) const;

    const SwitchTimes& times() const { return times_; }

    std::uint64_t start;
    std::uint64_t now;
    std::vector<Stage> stages;

private:
    SwitchTimes times_;
};

// A move started on B of a two-port switch whose ports 2 and 3 each carry a
// device: how many ports move, and whether B asks for the status first (a
// claim or a double tap) or releases at once (its release arrow).
struct MoveShape {
    bool claim;       // the ports come to B
    int ports;        // 1 (port 2) or 2 (both)
    bool askFirst;    // a double tap asks for the status before it releases
};

// The path from the click or the tap to the later of the two panels showing
// the new owner, both computers starting their ticks where `a` and `b` say.
Path moveMinimum(const MoveShape& move, std::uint64_t start, TickGrid a, TickGrid b, SwitchTimes times);

}  // namespace pivora::bench
