// Runs scenarios of one computer on the simulated switch, each from the
// bytes a fixed seed gives, and checks every rule after every step.
//   pivora_soak [--scenarios N] [--first-seed S]   N scenarios, seeds S, S+1, ...
//   pivora_soak --seed S                            one scenario, with its step log
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scenario.h"

namespace {

constexpr std::size_t kScenarioBytes = 900;

// splitmix64: a small generator whose stream a seed fixes for good.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

std::vector<std::uint8_t> bytesOf(std::uint64_t seed) {
    SplitMix64 random(seed);
    std::vector<std::uint8_t> bytes(kScenarioBytes);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random.next());
    return bytes;
}

struct Totals {
    long scenarios = 0;
    long steps = 0;
    long checks = 0;
    long accountedSteps = 0;
    int mostSettleTicks = 0;
    std::uint64_t virtualMs = 0;
};

// Runs the scenario of `seed` and prints its step log. The log is kept only
// when asked for; a scenario runs the same every time.
pivora::soak::ScenarioOutcome runLogged(std::uint64_t seed) {
    const std::vector<std::uint8_t> bytes = bytesOf(seed);
    pivora::fuzz::FuzzInput input(bytes.data(), bytes.size());
    pivora::soak::Scenario scenario(input, true);
    const pivora::soak::ScenarioOutcome outcome = scenario.run();
    std::printf("seed %llu:\n", static_cast<unsigned long long>(seed));
    for (const std::string& line : scenario.stepLog()) std::printf("  %s\n", line.c_str());
    return outcome;
}

// Runs the scenario of `seed`; on a broken rule prints the seed, the step
// log and the rule, and returns false.
bool runSeed(std::uint64_t seed, bool printLog, Totals& totals) {
    const std::vector<std::uint8_t> bytes = bytesOf(seed);
    pivora::fuzz::FuzzInput input(bytes.data(), bytes.size());
    pivora::soak::ScenarioOutcome outcome = pivora::soak::Scenario(input, false).run();
    if (printLog || !outcome.passed) outcome = runLogged(seed);
    ++totals.scenarios;
    totals.steps += outcome.steps;
    totals.checks += outcome.checks;
    totals.virtualMs += outcome.virtualMs;
    totals.accountedSteps += outcome.accountedSteps;
    if (outcome.settleTicks > totals.mostSettleTicks) totals.mostSettleTicks = outcome.settleTicks;
    if (!outcome.passed) std::printf("seed %llu broke a rule: %s\n", static_cast<unsigned long long>(seed),
                                     outcome.violation.c_str());
    return outcome.passed;
}

bool argumentIs(const char* argument, const char* name) { return std::strcmp(argument, name) == 0; }

}  // namespace

int main(int argc, char** argv) {
    long scenarios = 100;
    std::uint64_t firstSeed = 1;
    bool single = false;
    for (int index = 1; index + 1 < argc; index += 2) {
        const char* value = argv[index + 1];
        if (argumentIs(argv[index], "--scenarios")) {
            scenarios = std::strtol(value, nullptr, 10);
        } else if (argumentIs(argv[index], "--first-seed")) {
            firstSeed = std::strtoull(value, nullptr, 10);
        } else if (argumentIs(argv[index], "--seed")) {
            firstSeed = std::strtoull(value, nullptr, 10);
            scenarios = 1;
            single = true;
        } else {
            std::fprintf(stderr, "usage: pivora_soak [--scenarios N] [--first-seed S] | --seed S\n");
            return 2;
        }
    }

    const auto start = std::chrono::steady_clock::now();
    Totals totals;
    bool passed = true;
    for (long run = 0; run < scenarios && passed; ++run)
        passed = runSeed(firstSeed + static_cast<std::uint64_t>(run), single, totals);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld scenarios, %ld steps (%ld with every report accounted), %ld invariant checks, "
                "settled within %d ticks at most, %.0f virtual s, %.1f s\n",
                totals.scenarios, totals.steps, totals.accountedSteps, totals.checks, totals.mostSettleTicks,
                static_cast<double>(totals.virtualMs) / 1000.0, seconds);
    return passed ? 0 : 1;
}
