#include "platform/linux/cups_local_printers.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/linux/cups_printer_uri.h"
#include "platform/linux/cups_queues.h"

namespace pivora {

namespace {

const KnownPrinter* findKnown(const std::vector<KnownPrinter>& known, const std::string& queue) {
    const auto found = std::find_if(known.begin(), known.end(),
                                    [&queue](const KnownPrinter& printer) { return printer.queue == queue; });
    return found != known.end() ? &*found : nullptr;
}

}  // namespace

void CupsLocalPrinters::forEachUsbPrinter(const std::function<void(const UsbPrinter&)>& visit) {
    const CupsQueueReading reading = readCupsQueues();
    note(serverAnswers_, reading.answered, "CUPS server at " + reading.server + " answers",
         "No CUPS server at " + reading.server + ": " + reading.failure);
    // Without the server nothing is known of the queues, so the kept IDs stay as they are.
    if (!reading.answered) return;

    const std::string kept = state_.readText();
    const std::vector<KnownPrinter> before = PrinterStateFile::parse(kept);
    std::vector<KnownPrinter> now;
    std::vector<UsbPrinter> found;
    std::optional<std::vector<UsbIdentity>> present;
    for (const CupsQueue& queue : reading.queues) {
        const KnownPrinter* known = findKnown(before, queue.name);
        if (!queue.deviceUri) {
            // The server would not say this time; what was known still holds.
            if (known != nullptr) now.push_back(*known);
            continue;
        }
        if (!parseUsbPrinterUri(*queue.deviceUri)) continue;
        if (!present) present = devices_.list();
        KnownPrinter printer{queue.name, 0, 0};
        if (const auto device = matchUsbPrinterUri(*queue.deviceUri, *present)) {
            printer.vendorId = device->vendorId;
            printer.productId = device->productId;
        } else if (known != nullptr) {
            printer = *known;
        }
        // (0, 0) stands for no device.
        if (printer.vendorId == 0 && printer.productId == 0) continue;
        now.push_back(printer);
        found.push_back(UsbPrinter{queue.name, printer.vendorId, printer.productId, queue.activeJobs});
    }
    // Rewritten only when it changes; a file damaged in any way differs from
    // its rebuilt text, so it is replaced too.
    if (PrinterStateFile::format(now) != kept && !state_.folder().empty())
        note(stateWritten_, state_.write(now), "Printer IDs written again in " + state_.folder(),
             "Printer IDs cannot be written in " + state_.folder());

    for (const UsbPrinter& printer : found) visit(printer);
}

void CupsLocalPrinters::note(Known& known, bool now, const std::string& yes, const std::string& no) {
    const Known next = now ? Known::Yes : Known::No;
    if (known == next) return;
    known = next;
    trace_.line(TraceChannel::Text, ((now ? yes : no) + "\r\n").c_str());
}

}  // namespace pivora
