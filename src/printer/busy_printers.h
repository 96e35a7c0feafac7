#pragma once

#include <cstdint>

#include "printer/local_printers.h"

namespace pivora {

// Visits the USB ID of every local USB printer with a job queued, in the
// printing system's order.
template <typename Visit>
void forEachBusyUsbPrinter(LocalPrinters& printers, Visit visit) {
    printers.forEachUsbPrinter([&visit](const UsbPrinter& printer) {
        if (printer.queuedJobs != 0) visit(printer.vendorId, printer.productId);
    });
}

}  // namespace pivora
