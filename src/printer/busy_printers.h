#pragma once

#include <cstdint>

#include "printer/printer_guard.h"

namespace pivora {

// Visits the USB ID of every local USB printer with a job queued, in the
// spooler's order. A printer whose ID reads (0, 0) is passed over: that is
// what an empty port reads as, so it would stand for every empty port.
template <typename Visit>
void forEachBusyUsbPrinter(PrinterGuard& printers, Visit visit) {
    const int count = printers.countPrinters();
    for (int index = 0; index < count; ++index) {
        const auto printer = static_cast<std::uint32_t>(index);
        char name[PrinterGuard::kNameSize];
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        if (printers.getPrinterUsbId(printer, name, &vendorId, &productId) != 1) continue;
        if (vendorId == 0 && productId == 0) continue;
        std::uint32_t jobs = 0;
        printers.getPrinterJobs(printer, &jobs);
        if (jobs != 0) visit(vendorId, productId);
    }
}

}  // namespace pivora
