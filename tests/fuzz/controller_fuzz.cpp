// The controller as an adversary: libFuzzer's bytes drive one computer on
// the simulated switch through the scenario vocabulary (reports of any code
// and bytes, the other computer's claims, I/O failures, unplugged
// controllers, power and session events, the user's clicks), and a broken
// rule ends the run with the step log.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "fuzz_input.h"
#include "scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pivora::fuzz::FuzzInput input(data, size);
    if (pivora::soak::Scenario(input, false).run().passed) return 0;
    // The same bytes run the same scenario: again, with its step log.
    pivora::fuzz::FuzzInput again(data, size);
    pivora::soak::Scenario logged(again, true);
    const pivora::soak::ScenarioOutcome outcome = logged.run();
    for (const std::string& line : logged.stepLog()) std::fprintf(stderr, "  %s\n", line.c_str());
    std::fprintf(stderr, "broken rule: %s\n", outcome.violation.c_str());
    std::abort();
}
