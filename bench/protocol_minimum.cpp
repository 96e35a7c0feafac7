#include "protocol_minimum.h"

#include <algorithm>
#include <stdexcept>

namespace pivora::bench {

namespace {

constexpr std::uint64_t roundUp(std::uint64_t ms, std::uint64_t step) { return (ms + step - 1) / step * step; }

// The first point of a grid of `period` from `start` that lies after `time`.
std::uint64_t gridAfter(std::uint64_t start, std::uint64_t period, std::uint64_t time) {
    if (time < start) return start + period;
    return start + period * ((time - start) / period + 1);
}

bool portOnB(std::uint8_t rawMask, int port) { return (rawMask & (1u << port)) != 0; }

// Slots a registry load reads: those of the ports that are not this host's
// (slot 4 goes with port 3), once the host has loaded before.
int slotsNotOwned(bool hostIsB, std::uint8_t rawMask) {
    int count = 0;
    for (int slot = 0; slot < 5; ++slot)
        count += portOnB(rawMask, slot == 4 ? 3 : slot) == hostIsB ? 0 : 1;
    return count;
}

// The release flow, run by the tick that took the request: it asks for the
// status, grants, removes the devices (no time here), pauses and reports the
// release done, whose write switches the ports; the drain then finds
// nothing. Returns when the ports switched.
std::uint64_t releaseFlow(Path& path, TickGrid& grid) {
    path.awaitReply(path.send(true));
    path.send(false);
    path.wait(Wait::ReleasePause, waits::kReleasePauseMs);
    const std::uint64_t switched = path.send(false);
    grid.busyUntil(path.now);
    return switched;
}

// After a device change: the next tick reopens the channel and sends
// InfoQuery, takes the InfoReply in its report step, loads the registry
// (the status, then `slotsRead` slots) and asks for the status; the tick
// after that refreshes the panel, uploading `uploads` IDs with their check
// before it shows the owners.
void rediscover(Path& path, TickGrid& grid, int slotsRead, int uploads) {
    path.nextTick(grid, path.now);
    path.wait(Wait::Reopen, waits::kReopenCancelMs);
    const std::uint64_t info = path.send(true);
    if (info + path.times().replyMs > path.now) {
        grid.busyUntil(path.now);
        path.nextTick(grid, info + path.times().replyMs);
    }
    path.awaitReply(path.send(true));
    for (int slot = 0; slot < slotsRead; ++slot) path.awaitReply(path.send(true));
    const std::uint64_t status = path.send(true);
    grid.busyUntil(path.now);
    path.nextTick(grid, status + path.times().replyMs);
    for (int upload = 0; upload < uploads; ++upload) {
        path.send(false);
        path.awaitReply(path.send(true));
    }
    grid.busyUntil(path.now);
}

}  // namespace

const char* waitName(Wait wait) {
    switch (wait) {
        case Wait::RequestPause: return "request pauses";
        case Wait::Sends: return "sends (write, 10 ms steps, pacing)";
        case Wait::ReplyPolling: return "reply polling";
        case Wait::Ticks: return "waits for a tick";
        case Wait::ReleasePause: return "pause before ReleaseDone";
        case Wait::Reopen: return "reopen's cancel";
        case Wait::Switch: return "the switch (relay, enumeration)";
    }
    return "?";
}

std::uint64_t TickGrid::deliveredAt(std::uint64_t due) const {
    // A tick due while a handler runs waits for it; intervals are in time order.
    std::uint64_t time = due;
    for (const Busy& busy : busy_)
        if (busy.from <= time && time < busy.until) time = busy.until;
    return time;
}

std::uint64_t TickGrid::tickFrom(std::uint64_t time) {
    std::uint64_t best = 0;
    int bestTimer = -1;
    for (int timer = 0; timer < 2; ++timer) {
        const std::uint64_t period = timer == 0 ? waits::kTickMs : waits::kPrinterTickMs;
        std::uint64_t due = gridAfter(start_, period, lastTick_[timer]);
        std::uint64_t delivered = deliveredAt(due);
        while (delivered < time) {
            due = gridAfter(start_, period, delivered);
            delivered = deliveredAt(due);
        }
        // Timer 0 goes first when both are due.
        if (bestTimer < 0 || delivered < best) {
            best = delivered;
            bestTimer = timer;
        }
    }
    lastTick_[bestTimer] = best;
    busy_.push_back({best, best});
    return best;
}

std::uint64_t TickGrid::messageAt(std::uint64_t time) {
    const std::uint64_t handled = deliveredAt(time);
    busy_.push_back({handled, handled});
    return handled;
}

void Path::to(Wait what, std::uint64_t time) {
    if (time < now) throw std::logic_error("a path cannot go back in time");
    if (time == now) return;
    stages.push_back({what, time});
    now = time;
}

std::uint64_t Path::send(bool query) {
    const std::uint64_t written = now + times_.writeMs;
    to(Wait::Sends, written);
    to(Wait::Sends, written - times_.writeMs + roundUp(times_.writeMs, waits::kSendStepMs) +
                        (query ? waits::kQueryPacingMs : waits::kReportPacingMs));
    return written;
}

void Path::awaitReply(std::uint64_t requestWritten) {
    const std::uint64_t arrives = requestWritten + times_.replyMs;
    if (arrives <= now) return;
    to(Wait::ReplyPolling, now + roundUp(arrives - now, waits::kReplyPollMs));
}

void Path::nextTick(TickGrid& grid, std::uint64_t ready) { to(Wait::Ticks, grid.tickFrom(std::max(ready, now))); }

std::uint64_t Path::spentOn(Wait what) const {
    std::uint64_t spent = 0;
    std::uint64_t from = start;
    for (const Stage& stage : stages) {
        if (stage.wait == what) spent += stage.end - from;
        from = stage.end;
    }
    return spent;
}

Path Path::branch(std::uint64_t time) const {
    Path other(start, times_);
    for (const Stage& stage : stages) {
        if (stage.end > time) break;
        other.stages.push_back(stage);
        other.now = stage.end;
    }
    if (other.now != time) throw std::logic_error("a path branches only where a stage ends");
    return other;
}

Path moveMinimum(const MoveShape& move, std::uint64_t start, TickGrid a, TickGrid b, SwitchTimes times) {
    const std::uint8_t moved = move.ports == 1 ? 0x04 : 0x0C;
    const std::uint8_t rawAfter = move.claim ? moved : 0x00;
    Path path(start, times);
    path.to(Wait::Ticks, b.messageAt(start));
    path.wait(Wait::RequestPause, waits::kRequestPauseMs);

    TickGrid& giverGrid = move.claim ? a : b;
    TickGrid& takerGrid = move.claim ? b : a;
    if (move.claim || move.askFirst) {
        const std::uint64_t query = path.send(true);
        b.busyUntil(path.now);
        path.nextTick(b, query + times.replyMs);
    }
    // A claim: the status shows the ports on A, B claims them and the
    // controller relays the claim to A as a request. A release: B places the
    // request in its own channel, a double tap that found everything on B
    // after pausing again as for a request. The giver takes it at its next tick.
    if (!move.claim && move.askFirst) path.wait(Wait::RequestPause, waits::kRequestPauseMs);
    const std::uint64_t requested = move.claim ? path.send(false) : path.now;
    b.busyUntil(path.now);
    Path giver = path.branch(requested);
    if (move.claim) giver.wait(Wait::Switch, times.replyMs);
    giver.nextTick(giverGrid, giver.now);
    const std::uint64_t switched = releaseFlow(giver, giverGrid);
    Path taker = giver.branch(switched);
    taker.wait(Wait::Switch, times.enumerationMs);
    rediscover(taker, takerGrid, slotsNotOwned(move.claim, rawAfter), move.ports);
    rediscover(giver, giverGrid, slotsNotOwned(!move.claim, rawAfter), 0);
    return taker.now >= giver.now ? taker : giver;
}

}  // namespace pivora::bench
