#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

// PRINTER_INFO_2A as the spooler lays it out: thirteen pointers, then eight
// 32-bit words; the texts the pointers name sit in the same buffer.
namespace printerinfo {
constexpr std::uint32_t kRecordSize = 13 * sizeof(void*) + 8 * sizeof(std::uint32_t);
constexpr std::uint32_t kPrinterNameOffset = 1 * sizeof(void*);  // pPrinterName
constexpr std::uint32_t kPortNameOffset = 3 * sizeof(void*);     // pPortName
}  // namespace printerinfo

// PRINTER_ACCESS_USE: enough to list a printer's jobs, and granted to every
// user; anything more is refused to a process that is not elevated.
constexpr std::uint32_t kPrinterAccessUse = 0x00000008;

// The print spooler, read only: local printers and whether a job is queued.
class SpoolerApi {
public:
    virtual ~SpoolerApi() = default;

    // EnumPrintersA(PRINTER_ENUM_LOCAL, no name, level 2, buffer, size,
    // needed, returned). The BOOL as 0/1. With no buffer and size 0 it fails
    // and reports the size needed.
    virtual int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                                  std::uint32_t* returned) = 0;

    // OpenPrinterA(name, handle, defaults of no data type, no device mode and
    // the desired access). The BOOL as 0/1; release with closePrinter.
    virtual int openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) = 0;

    // EnumJobsA(printer, firstJob, count, level 2, buffer, size, needed, returned).
    virtual int enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                         std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) = 0;

    // ClosePrinter.
    virtual int closePrinter(OsHandle printer) = 0;
};

}  // namespace pivora
