#pragma once

#include <cstdint>

#include "sim/sim_computer.h"

namespace pivora::test {

// A local printer on its own USB printer port, mapped in the registry to its
// USB device.
struct LocalPrinter {
    const char* name;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::uint32_t jobsQueued;
};

// Installs printers on one computer.
class LocalPrinters {
public:
    explicit LocalPrinters(sim::SimComputer& computer) : computer_(computer) {}

    void add(const LocalPrinter& printer) {
        computer_.installUsbPrinter(printer.name, printer.vendorId, printer.productId, printer.jobsQueued);
    }

private:
    sim::SimComputer& computer_;
};

}  // namespace pivora::test
