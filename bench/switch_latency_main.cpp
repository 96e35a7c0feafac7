// How long a port takes to move, in virtual time: both computers run the
// real program on one simulated switch, and each move is timed from the
// click or the double tap on B until both panels show the new owner. Next to
// each, the least the protocol's own waits allow on that path.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "lockstep.h"
#include "lockstep_computer.h"
#include "panel_watch.h"
#include "platform/window_api.h"
#include "protocol_minimum.h"
#include "sim/simulated_switch.h"
#include "ui/port_rows.h"

namespace pivora::bench {
namespace {

using sim::Host;

struct Move {
    const char* name;
    const char* action;
    std::uint32_t message;
    std::uintptr_t wParam;
    MoveShape shape;
};

constexpr std::uint8_t kUserPorts = 0x0C;  // a two-port switch: ports 2 and 3
const Move kMoves[] = {
    {"claim-on-b", "Claim of port 2, clicked on B", win::kWmCommand,
     static_cast<std::uintptr_t>(kPortRows[2].claimButton), {true, 1, false}},
    {"release-on-b", "Release of port 2, clicked on B", win::kWmCommand,
     static_cast<std::uintptr_t>(kPortRows[2].releaseButton), {false, 1, false}},
    {"double-tap-claims-on-b", "Double tap on B, both ports come", win::kWmSwitchHotkey, 0, {true, 2, true}},
    {"double-tap-releases-on-b", "Double tap on B, both ports go", win::kWmSwitchHotkey, 0, {false, 2, true}},
};

std::uint8_t rawMaskAfter(const MoveShape& shape) {
    if (!shape.claim) return 0x00;
    return shape.ports == 1 ? 0x04 : 0x0C;
}

constexpr SwitchTimes kSwitchTimes{4, 5, sim::SimulatedSwitch::kEnumerationDelayMs};
constexpr std::uint64_t kFirstMoveMs = 40000;  // both panels long settled
constexpr std::uint64_t kMoveSpanMs = 30000;   // a move and everything it sets off
// Ticks fall where they may on two desks: B starts 4050, 4150, ... 4950 ms
// after A, and each move is made 50, 150, ... 950 ms after a tick of B.
constexpr int kPhases = 10;
constexpr int kRuns = kPhases * kPhases;
std::uint64_t startOfB(int offset) { return 4050 + static_cast<std::uint64_t>(offset) * 100; }

struct Timed {
    const Move* move;
    int offset;  // of B's ticks from A's
    int phase;   // of the move in B's second
    std::uint64_t start;
    std::uint64_t measured = 0;
    std::uint64_t minimum = 0;
    std::array<std::uint64_t, kWaitKinds> spent{};  // the minimum by kind of wait
    bool agreed = false;
};

// Plays every move at every phase on one switch whose B starts `offset`
// tenths of a second into A's second, one after another, and times each
// from the recorded panels.
std::vector<Timed> measure(int offset) {
    const std::uint64_t startB = startOfB(offset);
    std::vector<Timed> timed;
    for (int phase = 0; phase < kPhases; ++phase)
        for (const Move& move : kMoves) {
            const auto index = static_cast<std::uint64_t>(timed.size());
            const std::uint64_t start = kFirstMoveMs + index * kMoveSpanMs + startB % waits::kTickMs + 50 +
                                        static_cast<std::uint64_t>(phase) * 100;
            timed.push_back({&move, offset, phase, start});
        }
    const std::uint64_t end = timed.back().start + kMoveSpanMs;

    sim::SimulatedSwitch sw;
    sw.firmware.setReplyDelay(static_cast<std::uint32_t>(kSwitchTimes.replyMs));
    for (const Host host : {Host::A, Host::B})
        sw.computer(host).hid.setWriteDelay(static_cast<std::uint32_t>(kSwitchTimes.writeMs));
    sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
    sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
    Lockstep lockstep(sw.clock);
    LockstepComputer a(lockstep, sw, Host::A);
    LockstepComputer b(lockstep, sw, Host::B);
    lockstep.run({
        [&](int party) { a.run(party, 0, end); },
        [&](int party) { b.run(party, startB, end); },
        // The user at B's keyboard.
        [&](int party) {
            for (const Timed& entry : timed) {
                lockstep.sleepFor(party, entry.start - lockstep.clock().now());
                b.post(entry.move->message, entry.move->wParam);
            }
        },
    });

    PanelWatch watchA(a.windows);
    PanelWatch watchB(b.windows);
    watchA.lastChangeUntil(0, kFirstMoveMs);
    watchB.lastChangeUntil(0, kFirstMoveMs);
    for (Timed& entry : timed) {
        const std::uint64_t until = entry.start + kMoveSpanMs - 1;
        const std::uint64_t last = std::max(watchA.lastChangeUntil(entry.start, until),
                                            watchB.lastChangeUntil(entry.start, until));
        entry.measured = last - entry.start;
        const std::uint8_t owners = rawMaskAfter(entry.move->shape);
        entry.agreed = watchA.showsOwners(Host::A, owners, kUserPorts) && watchB.showsOwners(Host::B, owners, kUserPorts);
        const Path minimum =
            moveMinimum(entry.move->shape, entry.start, TickGrid("A", 0), TickGrid("B", startB), kSwitchTimes);
        entry.minimum = minimum.now - entry.start;
        for (int kind = 0; kind < kWaitKinds; ++kind) entry.spent.at(kind) = minimum.spentOn(static_cast<Wait>(kind));
    }
    return timed;
}

}  // namespace
}  // namespace pivora::bench

int main() {
    using namespace pivora::bench;
    std::vector<Timed> timed;
    for (int offset = 0; offset < kPhases; ++offset) {
        const std::vector<Timed> run = measure(offset);
        timed.insert(timed.end(), run.begin(), run.end());
    }

    std::printf("Switch latency in virtual time: Pivora on hosts A and B of one simulated two-port\n"
                "switch, a device on each port; from the click or the double tap on B until both panels\n"
                "show the new owner, %d times each: B's ticks 50, 150, ... 950 ms after A's, the move\n"
                "50, 150, ... 950 ms after one of B's. The minimum adds up the protocol's own waits\n"
                "along the same path (switch: write %llu ms, reply %llu ms, enumeration %llu ms).\n\n",
                kRuns, static_cast<unsigned long long>(kSwitchTimes.writeMs),
                static_cast<unsigned long long>(kSwitchTimes.replyMs),
                static_cast<unsigned long long>(kSwitchTimes.enumerationMs));
    std::printf("%-26s %8s %15s %8s %9s\n", "move", "measured", "(min-max)", "minimum", "ratio");
    bool faithful = true;
    for (const Move& move : kMoves) {
        std::uint64_t measured = 0;
        std::uint64_t minimum = 0;
        std::uint64_t lowest = UINT64_MAX;
        std::uint64_t highest = 0;
        std::uint64_t lowestMinimum = UINT64_MAX;
        std::uint64_t highestMinimum = 0;
        for (const Timed& entry : timed) {
            if (entry.move != &move) continue;
            measured += entry.measured;
            minimum += entry.minimum;
            lowest = std::min(lowest, entry.measured);
            highest = std::max(highest, entry.measured);
            lowestMinimum = std::min(lowestMinimum, entry.minimum);
            highestMinimum = std::max(highestMinimum, entry.minimum);
            if (!entry.agreed) {
                std::printf("%s, B at %llu, phase %d: the panels did not show the new owners\n", move.name,
                            static_cast<unsigned long long>(startOfB(entry.offset)), entry.phase);
                faithful = false;
            }
            // Below the minimum, the minimum itself would be wrong.
            if (entry.measured < entry.minimum) faithful = false;
            if (entry.measured != entry.minimum)
                std::printf("%s, B at %llu, phase %d: measured %llu ms, minimum %llu ms\n", move.name,
                            static_cast<unsigned long long>(startOfB(entry.offset)), entry.phase,
                            static_cast<unsigned long long>(entry.measured),
                            static_cast<unsigned long long>(entry.minimum));
        }
        const double ratio = static_cast<double>(measured) / static_cast<double>(minimum);
        std::printf("%-26s %8llu %7llu-%-7llu %8llu %9.2f\n", move.name,
                    static_cast<unsigned long long>(measured / kRuns), static_cast<unsigned long long>(lowest),
                    static_cast<unsigned long long>(highest), static_cast<unsigned long long>(minimum / kRuns),
                    ratio);
        std::printf("ROW|%s (virtual time, mean of %d)|%llu ms (%llu-%llu)|%llu ms (the protocol's waits)|%.2f|\n",
                    move.action, kRuns, static_cast<unsigned long long>(measured / kRuns),
                    static_cast<unsigned long long>(lowest), static_cast<unsigned long long>(highest),
                    static_cast<unsigned long long>(minimum / kRuns), ratio);
        // For the real-time medians of the same move, whose ticks fall where they may.
        std::printf("MINIMUM|%s|%llu|%llu|%llu|%s\n", move.name, static_cast<unsigned long long>(minimum / kRuns),
                    static_cast<unsigned long long>(lowestMinimum), static_cast<unsigned long long>(highestMinimum),
                    move.action);
    }

    std::printf("\nWhere the minimum goes, mean ms:\n%-26s", "move");
    for (int kind = 0; kind < kWaitKinds; ++kind) std::printf(" %7d", kind + 1);
    std::printf("\n");
    for (const Move& move : kMoves) {
        std::array<std::uint64_t, kWaitKinds> spent{};
        for (const Timed& entry : timed)
            if (entry.move == &move)
                for (int kind = 0; kind < kWaitKinds; ++kind) spent.at(kind) += entry.spent.at(kind);
        std::printf("%-26s", move.name);
        for (const std::uint64_t total : spent) std::printf(" %7llu", static_cast<unsigned long long>(total / kRuns));
        std::printf("\n");
    }
    for (int kind = 0; kind < kWaitKinds; ++kind) std::printf("  %d: %s\n", kind + 1, waitName(static_cast<Wait>(kind)));
    return faithful ? 0 : 1;
}
