#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pivora {

// A printer of this computer that sits on a USB port.
struct UsbPrinter {
    std::string name;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint32_t queuedJobs = 0;
};

// This computer's local printers, read only. Asks the printing system
// afresh at every call and keeps nothing open between calls; a printing
// system that is not running has no printers.
class LocalPrinters {
public:
    virtual ~LocalPrinters() = default;

    // Visits each printer on a USB port whose USB ID is known, in the
    // printing system's order, with the number of its jobs not yet printed.
    // A printer whose ID reads (0, 0) is never visited: (0, 0) stands for no
    // device.
    virtual void forEachUsbPrinter(const std::function<void(const UsbPrinter&)>& visit) = 0;
};

}  // namespace pivora
