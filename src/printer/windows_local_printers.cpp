#include "printer/windows_local_printers.h"

namespace pivora {

void WindowsLocalPrinters::forEachUsbPrinter(const std::function<void(const UsbPrinter&)>& visit) {
    const int count = guard_.countPrinters();
    for (int index = 0; index < count; ++index) {
        const auto printer = static_cast<std::uint32_t>(index);
        char name[PrinterGuard::kNameSize];
        UsbPrinter found;
        if (guard_.getPrinterUsbId(printer, name, &found.vendorId, &found.productId) != 1) continue;
        // What an empty port reads as: it would stand for every empty port.
        if (found.vendorId == 0 && found.productId == 0) continue;
        found.name = name;
        guard_.getPrinterJobs(printer, &found.queuedJobs);
        visit(found);
    }
}

}  // namespace pivora
