#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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

// Installs printers on one computer: each gets a port USB001, USB002, ... and
// a USB device instance whose prefix names its printer instance.
class LocalPrinters {
public:
    explicit LocalPrinters(sim::SimComputer& computer) : computer_(computer) {}

    void add(const LocalPrinter& printer) {
        static const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum\\";
        const int number = ++count_;
        char port[16];
        std::snprintf(port, sizeof port, "USB%03d", number);
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "7&%08x&0", 0x2f8e5c10u + static_cast<unsigned>(number));
        char deviceKey[32];
        std::snprintf(deviceKey, sizeof deviceKey, "VID_%04X&PID_%04X", printer.vendorId, printer.productId);
        computer_.spooler.addPrinter(printer.name, port, printer.jobsQueued);
        computer_.registry.setString(
            kEnum + "USBPRINT\\Model" + std::to_string(number) + "\\" + prefix + "&" + port + "\\Device Parameters",
            "PortName", port);
        computer_.registry.setString(kEnum + "USB\\" + deviceKey + "\\SERIAL" + std::to_string(number),
                                     "ParentIdPrefix", prefix);
    }

private:
    sim::SimComputer& computer_;
    int count_ = 0;
};

}  // namespace pivora::test
