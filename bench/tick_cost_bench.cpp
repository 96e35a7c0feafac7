// What one control tick costs in real time, on the simulated switch: each
// tick is one tick of timer 0, handled by the control as its loop hands it
// over. Next to each tick, its
// floor: the same platform calls, with the same arguments, made again on the
// same simulated seams without the tick's logic. Their ratio is what Pivora's
// own logic adds to the calls it cannot avoid, the simulated seams standing
// for Windows: their calls cost what the model costs, and a window call, with
// no window behind it, hardly anything.
//
// After Google Benchmark's own report, one line per tick for the table of
// tools/run-benchmarks.sh: ROW|what|measured|floor|ratio|note

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "control/switch_control.h"
#include "call_tape.h"
#include "controller/report_catalogue.h"
#include "counting_platform.h"
#include "idle_platform.h"
#include "sim/simulated_switch.h"

namespace pivora::bench {
namespace {

using sim::Host;

enum class Scene {
    Ready,      // the controller open, the hub located, the registry loaded and the panel shown
    Searching,  // the controller is not plugged into this computer
};

struct TickCase {
    const char* name;  // the benchmark's
    const char* row;   // the table's
    const char* note;
    Scene scene;
    bool reportArrives;  // a StatusReply waits in the channel before each tick
    bool makesCalls;     // whether the tick makes any platform call at all; checked
};

const TickCase kCases[] = {
    {"ReadyTickNoReport", "Tick, Ready, no report", "the read still pending, its status words read in memory", Scene::Ready,
     false, false},
    {"ReadyTickStatusReply", "Tick, Ready, StatusReply refreshes the panel",
     "2 hub ports queried, 2 devices looked up; the port ID upload was done before, the panel is unchanged", Scene::Ready,
     true, true},
    {"SearchingTick", "Tick, Searching, no controller listed",
     "HID devices listed; the panel, empty already, is not drawn again", Scene::Searching, false, true},
};

// Bit 3: port 3 is host B's.
constexpr std::uint8_t kRawMask = 0x08;
// Long enough for the connection, the registry load and the first panel
// refresh, with its upload of port 2's device ID, to be over.
constexpr int kSettleSeconds = 10;
// Ticks that must each make the same calls before any is timed.
constexpr int kSteadyTicks = 3;

// Host A on a two-port switch: a memory stick on port 2 here, a receiver on
// port 3 on host B, whose ID host B stored in the controller's slot 3. Its
// control runs on counting seams and settles over ticks one virtual second apart.
class SwitchRig {
public:
    explicit SwitchRig(Scene scene) {
        sw.firmware.setRawMask(kRawMask);
        sw.firmware.setPortId(3, {0x046D, 0xC52B});
        sw.hub.plugDevice(2, 0x0781, 0x5567, "SanDisk Cruzer");
        sw.hub.plugDevice(3, 0x046D, 0xC52B, "Logitech Receiver");
        if (scene == Scene::Searching) sw.hostA.hid.unplug(sw.controllerOnA);
        for (int second = 0; second < kSettleSeconds; ++second) {
            sw.clock.runUntil(sw.clock.now() + 1000);
            tick();
        }
    }
    SwitchRig(const SwitchRig&) = delete;
    SwitchRig& operator=(const SwitchRig&) = delete;

    // One tick of the tick timer, as the control's loop hands it over.
    void tick() { control.handle(Command{Command::Tick, SwitchControl::kTickTimer}); }
    // The tick's calls made again, on the same seams.
    void replay() { tape.replay(replaySeams); }

    // The StatusReply the controller sends for a StatusQuery, arrived: the
    // channel's pending read has completed with it.
    void statusReplyArrives() {
        sw.firmware.sendRaw(Host::A, sim::WireReport{2, code::StatusReply, kRawMask, 0, 0, 0, 0, 0});
        sw.clock.runDue();
    }

    // Empty when the control is in the scene's state with nothing under way.
    std::string unsettled(Scene scene) const {
        const int expected = scene == Scene::Ready ? 1 : 0;
        if (control.controllerOpen != expected || control.hubReady != expected || control.idsLoaded != expected)
            return "the control is not in the scene's state";
        if (sw.clock.pendingEvents() != 0 || control.pendingAction != 0 || control.keepAliveCountdown != 0)
            return "something is still under way";
        return {};
    }

    // The calls `step` makes, in order, taped on `taping` when one is given.
    template <typename Step>
    std::vector<SeamCall> callsOf(Step step, CallTape* taping = nullptr) {
        std::vector<SeamCall> log;
        recorder.attach(&log, taping);
        step();
        recorder.attach(nullptr, nullptr);
        return log;
    }

    sim::SimulatedSwitch sw;
    DiagnosticTrace productTrace;  // the product's sink: discards everything
    CallRecorder recorder;
    CountingPlatform seams{sw.hostA.platform(productTrace), recorder};
    Platform platform = seams.platform();
    CountingWindow windows{recorder};
    // Before the control: a replayed read may still be pending on the tape's
    // record when the control's channel cancels it on the way out.
    CallTape tape;
    ReplaySeams replaySeams{platform, windows, {}};
    // Its panel goes nowhere: only the control's own work is timed. Nothing
    // it asks of itself comes up in a steady tick.
    SwitchControl control{platform, [](const PanelState&) {}, [](const Command&) {}};
};

std::string describe(const std::vector<SeamCall>& calls, std::size_t at) {
    if (at >= calls.size()) return "nothing";
    return std::string(kSeamNames[static_cast<std::size_t>(calls[at].seam)]) + "." + calls[at].name;
}

// Empty when both made the same calls in the same order; else the first difference.
std::string difference(const char* what, const std::vector<SeamCall>& expected, const std::vector<SeamCall>& made) {
    if (made == expected) return {};
    std::size_t at = 0;
    while (at < expected.size() && at < made.size() && expected[at] == made[at]) ++at;
    return std::string(what) + " differ at call " + std::to_string(at + 1) + ": " + describe(expected, at) +
           " against " + describe(made, at);
}

SeamCounts countsOf(const std::vector<SeamCall>& calls) {
    SeamCounts counts{};
    for (const SeamCall& call : calls) ++counts[static_cast<std::size_t>(call.seam)];
    return counts;
}

// The calls a rig's next step makes, a StatusReply arriving first when the
// case has one arrive before each tick.
template <typename Step>
std::vector<SeamCall> callsOfStep(SwitchRig& rig, const TickCase& tickCase, Step step, CallTape* taping = nullptr) {
    if (tickCase.reportArrives) rig.statusReplyArrives();
    return rig.callsOf(step, taping);
}

// Checks that a rig is in the scene's steady state, each tick making the
// same calls, and returns those calls. Sets `problem` when a check fails.
std::vector<SeamCall> steadyCalls(SwitchRig& rig, const TickCase& tickCase, std::string& problem) {
    problem = rig.unsettled(tickCase.scene);
    const auto tick = [&rig] { rig.tick(); };
    const std::vector<SeamCall> calls = callsOfStep(rig, tickCase, tick);
    for (int steady = 1; steady < kSteadyTicks && problem.empty(); ++steady)
        problem = difference("the calls of successive ticks", calls, callsOfStep(rig, tickCase, tick));
    if (problem.empty() && calls.empty() == tickCase.makesCalls)
        problem = tickCase.makesCalls ? "the tick makes no platform call" : "the tick makes platform calls";
    if (problem.empty()) problem = rig.unsettled(tickCase.scene);
    return calls;
}

// Tapes the next tick of a rig in the steady state that makes `calls`, and
// checks that a replay makes those very calls. Empty when all is well.
std::string tapeFloor(SwitchRig& rig, const TickCase& tickCase, const std::vector<SeamCall>& calls) {
    std::string problem;
    const std::vector<SeamCall> steady = steadyCalls(rig, tickCase, problem);
    if (problem.empty()) problem = difference("the floor rig's calls and the tick rig's", calls, steady);
    if (problem.empty())
        problem = difference("the taped tick's calls and the others'", calls,
                             callsOfStep(rig, tickCase, [&rig] { rig.tick(); }, &rig.tape));
    if (problem.empty())
        problem = difference("the tick's calls and the floor's", calls,
                             callsOfStep(rig, tickCase, [&rig] { rig.replay(); }));
    return problem;
}

void addTo(SeamCounts& sum, const SeamCounts& before, const SeamCounts& after) {
    for (std::size_t seam = 0; seam < kSeamCount; ++seam) sum[seam] += after[seam] - before[seam];
}

// The real time `step` takes.
template <typename Step>
double secondsOf(Step step) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One step of a rig timed, the calls it made added to `made`. A StatusReply's
// arrival is the controller's doing, not the step's: it stays outside the
// measured region.
template <typename Step>
double timedStep(SwitchRig& rig, bool reportArrives, SeamCounts& made, Step step) {
    if (reportArrives) rig.statusReplyArrives();
    const SeamCounts before = rig.recorder.counts();
    const double seconds = secondsOf(step);
    addTo(made, before, rig.recorder.counts());
    return seconds;
}

// Empty when every one of `steps` steps made exactly the checked calls.
std::string exactly(const char* what, const SeamCounts& perStep, const SeamCounts& made, std::uint64_t steps) {
    for (std::size_t seam = 0; seam < kSeamCount; ++seam)
        if (made[seam] != perStep[seam] * steps)
            return std::string("the timed ") + what + " made another number of " + kSeamNames[seam] + " calls";
    return {};
}

// A tick without platform calls has no floor and is timed as Google
// Benchmark times. One with calls is timed by hand, step by step, each tick
// followed by its floor, so that both meet the same load on a shared
// machine; the two clock reads around each step (some 25 ns) count in both.
//
// The floor is the taped calls replayed on the simulated seams, less the
// same replay on idle seams: the replay's own bookkeeping (a call through
// std::function, fresh copies of the arguments, the handle map) is left out,
// and with it one virtual call per platform call, which the tick is charged.
// Tick and floor run on rigs of their own: the simulated seams keep logs for
// the tests that grow with every call, and each side pays for its own.
void measure(benchmark::State& state, const TickCase& tickCase) {
    SwitchRig ticking(tickCase.scene);
    std::string problem;
    const std::vector<SeamCall> calls = steadyCalls(ticking, tickCase, problem);
    std::optional<SwitchRig> replaying;
    if (problem.empty() && tickCase.makesCalls) {
        replaying.emplace(tickCase.scene);
        problem = tapeFloor(*replaying, tickCase, calls);
    }
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }

    SeamCounts tickCalls{};
    SeamCounts floorCalls{};
    if (replaying) {
        // A copy of the tape: its records are its own, none lent to the simulated seams.
        CallTape idleTape = replaying->tape;
        IdlePlatform idlePlatform;
        IdleWindow idleWindow;
        ReplaySeams idleSeams{idlePlatform.platform(), idleWindow, {}};
        double floorSeconds = 0;
        double bookkeepingSeconds = 0;
        for (auto _ : state) {
            state.SetIterationTime(
                timedStep(ticking, tickCase.reportArrives, tickCalls, [&ticking] { ticking.tick(); }));
            const double replayed =
                timedStep(*replaying, tickCase.reportArrives, floorCalls, [&replaying] { replaying->replay(); });
            const double bookkeeping = secondsOf([&idleTape, &idleSeams] { idleTape.replay(idleSeams); });
            floorSeconds += replayed - bookkeeping;
            bookkeepingSeconds += bookkeeping;
        }
        state.counters["floor_ns"] = benchmark::Counter(floorSeconds * 1e9, benchmark::Counter::kAvgIterations);
        state.counters["replay_bookkeeping_ns"] =
            benchmark::Counter(bookkeepingSeconds * 1e9, benchmark::Counter::kAvgIterations);
    } else {
        const SeamCounts before = ticking.recorder.counts();
        for (auto _ : state) ticking.tick();
        addTo(tickCalls, before, ticking.recorder.counts());
    }

    const SeamCounts perTick = countsOf(calls);
    const auto steps = static_cast<std::uint64_t>(state.iterations());
    problem = exactly("ticks", perTick, tickCalls, steps);
    if (problem.empty()) problem = exactly("floors", perTick, floorCalls, replaying ? steps : 0);
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    std::uint64_t total = 0;
    for (std::size_t seam = 0; seam < kSeamCount; ++seam) {
        if (perTick[seam] != 0) state.counters[kSeamNames[seam]] = static_cast<double>(perTick[seam]);
        total += perTick[seam];
    }
    state.counters["platform_calls"] = static_cast<double>(total);
}

// Shows every run as Google Benchmark's own reporter for the chosen format
// does, and keeps each benchmark's time and calls for the table's rows.
class CollectingReporter : public benchmark::BenchmarkReporter {
public:
    struct Result {
        double nanoseconds;  // per tick
        double floorNanoseconds;  // 0 without a floor
        double calls;
    };

    explicit CollectingReporter(benchmark::BenchmarkReporter& shown) : shown_(shown) {}

    bool ReportContext(const Context& context) override { return shown_.ReportContext(context); }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed_ = true;
                continue;
            }
            // With repetitions, the median stands for the benchmark.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type != Run::RT_Iteration && !median) continue;
            results_[run.run_name.function_name] = {
                run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations), counter(run, "floor_ns"),
                counter(run, "platform_calls")};
        }
        shown_.ReportRuns(runs);
    }
    void Finalize() override { shown_.Finalize(); }

    bool failed() const { return failed_; }
    const Result* result(const std::string& name) const {
        const auto found = results_.find(name);
        return found != results_.end() ? &found->second : nullptr;
    }

private:
    static double counter(const Run& run, const char* name) {
        const auto found = run.counters.find(name);
        return found != run.counters.end() ? found->second.value : 0.0;
    }

    benchmark::BenchmarkReporter& shown_;
    std::map<std::string, Result> results_;
    bool failed_ = false;
};

std::string microseconds(double nanoseconds) {
    const double us = nanoseconds / 1000.0;
    char text[32];
    (void)std::snprintf(text, sizeof text, us >= 10 ? "%.1f µs" : us >= 1 ? "%.2f µs" : "%.3f µs", us);
    return text;
}

// The table's line of each tick measured.
void printRows(const CollectingReporter& collected) {
    for (const TickCase& tickCase : kCases) {
        const CollectingReporter::Result* tick = collected.result(tickCase.name);
        if (tick == nullptr) continue;
        const std::string calls = std::to_string(static_cast<long>(tick->calls)) + " platform calls";
        std::string floor = "none (no platform calls)";
        std::string ratio = "n/a";
        if (tickCase.makesCalls) {
            floor = microseconds(tick->floorNanoseconds) + " (its " + calls + " alone)";
            char text[16];
            (void)std::snprintf(text, sizeof text, "%.2f", tick->nanoseconds / tick->floorNanoseconds);
            ratio = text;
        }
        std::printf("ROW|%s|%s, %s|%s|%s|%s\n", tickCase.row, microseconds(tick->nanoseconds).c_str(), calls.c_str(),
                    floor.c_str(), ratio.c_str(), tickCase.note);
    }
}

}  // namespace
}  // namespace pivora::bench

int main(int argc, char** argv) {
    using namespace pivora::bench;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    for (const TickCase& tickCase : kCases) {
        benchmark::internal::Benchmark* tick = benchmark::RegisterBenchmark(
            tickCase.name, [&tickCase](benchmark::State& state) { measure(state, tickCase); });
        if (tickCase.makesCalls) tick->UseManualTime();
    }

    // Google Benchmark keeps the reporter it makes for the chosen format.
    CollectingReporter collected(*benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&collected);
    benchmark::Shutdown();
    printRows(collected);
    return collected.failed() ? 1 : 0;
}
