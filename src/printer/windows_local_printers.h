#pragma once

#include "printer/local_printers.h"
#include "printer/printer_guard.h"

namespace pivora {

// Local printers the Windows way: the spooler's local printers whose port is
// a USB printer port, each port mapped to its device's USB ID through the
// registry.
class WindowsLocalPrinters : public LocalPrinters {
public:
    WindowsLocalPrinters(SpoolerApi& spooler, RegistryApi& registry) : guard_(spooler, registry) {}

    void forEachUsbPrinter(const std::function<void(const UsbPrinter&)>& visit) override;

private:
    PrinterGuard guard_;
};

}  // namespace pivora
