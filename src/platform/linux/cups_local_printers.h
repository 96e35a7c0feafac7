#pragma once

#include <string>

#include "platform/diagnostic_trace.h"
#include "platform/linux/cups_printer_state.h"
#include "platform/linux/present_usb_devices.h"
#include "printer/local_printers.h"

namespace pivora {

// Local printers the Linux way: the CUPS queues whose device URI is a usb://
// one, each matched to a present USB device for its ID. The ID of each such
// queue is kept in the state folder, so that a printer whose device is now on
// the other computer's port still has its ID here, and Pivora can pull that
// port back for its jobs.
class CupsLocalPrinters : public LocalPrinters {
public:
    // `stateFolder`: where the IDs are kept (see pivoraStateFolder); empty
    // keeps nothing. The trace gets a line when the server is first asked and
    // each time it comes or goes, and when the IDs cannot be written, or can
    // again.
    CupsLocalPrinters(PresentUsbDevices& devices, std::string stateFolder, DiagnosticTrace& trace)
        : devices_(devices), state_(std::move(stateFolder)), trace_(trace) {}
    CupsLocalPrinters(PresentUsbDevices& devices, std::string stateFolder)
        : CupsLocalPrinters(devices, std::move(stateFolder), silent_) {}

    void forEachUsbPrinter(const std::function<void(const UsbPrinter&)>& visit) override;

private:
    enum class Known { Unknown, Yes, No };

    // One trace line when `known` changes to `now`: `yes` or `no`.
    void note(Known& known, bool now, const std::string& yes, const std::string& no);

    DiagnosticTrace silent_;
    PresentUsbDevices& devices_;
    PrinterStateFile state_;
    DiagnosticTrace& trace_;
    Known serverAnswers_ = Known::Unknown;
    // Written until a write fails: only a failure, and the recovery after it, is news.
    Known stateWritten_ = Known::Yes;
};

}  // namespace pivora
