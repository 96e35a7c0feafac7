#pragma once

#include <cstddef>
#include <cstdint>

namespace pivora {

// Where the diagnostic trace goes. The product keeps this base sink, which
// discards everything; tests and the simulated build attach one that records
// or prints.
enum class TraceChannel : int {
    ReportsDelivered = 0,  // every report the controller channel delivers
    ReportsWritten = 1,    // every report the controller channel writes
    Text = 2,              // formatted text lines
};

class DiagnosticTrace {
public:
    virtual ~DiagnosticTrace() = default;
    virtual void report(TraceChannel, const std::uint8_t*, std::size_t) {}
    virtual void line(TraceChannel, const char*) {}
};

}  // namespace pivora
