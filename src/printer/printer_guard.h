#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/registry_api.h"
#include "platform/spooler_api.h"

namespace pivora {

// Which local printers sit on a USB printer port, which USB device stands
// behind each, and whether a job is queued for it. Holds nothing: every call
// asks the spooler and the registry afresh and releases all it opened.
class PrinterGuard {
public:
    static constexpr std::size_t kNameSize = 256;
    static constexpr std::size_t kJobBufferSize = 32768;

    PrinterGuard(SpoolerApi& spooler, RegistryApi& registry) : spooler_(spooler), registry_(registry) {}
    PrinterGuard(const PrinterGuard&) = delete;
    PrinterGuard& operator=(const PrinterGuard&) = delete;

    int countPrinters();
    // Names and ports are copied whole into `size` bytes, or not at all: a cut
    // name would name another printer.
    int getPrinterName(std::uint32_t index, char* nameOut, std::size_t size);
    int getUsbPrinterPort(std::uint32_t index, char* portOut, std::size_t size);
    int mapPortToUsbId(const char* portName, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut);
    int getPrinterUsbId(std::uint32_t index, char* nameOut, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut);
    int getPrinterJobs(std::uint32_t index, std::uint32_t* jobCountOut);

private:
    SpoolerApi& spooler_;
    RegistryApi& registry_;
};

}  // namespace pivora
