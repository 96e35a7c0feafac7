#include "platform/win32/win32_spooler_api.h"

#include <cstddef>

#include "platform/win32/windows_api.h"
#include <winspool.h>

namespace pivora {

// The portable code reads the printer list at these offsets.
static_assert(printerinfo::kRecordSize == sizeof(PRINTER_INFO_2A), "PRINTER_INFO_2A");
static_assert(printerinfo::kPrinterNameOffset == offsetof(PRINTER_INFO_2A, pPrinterName), "pPrinterName");
static_assert(printerinfo::kPortNameOffset == offsetof(PRINTER_INFO_2A, pPortName), "pPortName");
static_assert(kPrinterAccessUse == PRINTER_ACCESS_USE, "PRINTER_ACCESS_USE");
static_assert(sizeof(DWORD) == sizeof(std::uint32_t), "DWORD");

int Win32SpoolerApi::enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                                       std::uint32_t* returned) {
    DWORD neededBytes = *needed;
    DWORD records = *returned;
    const BOOL ok = EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, &neededBytes, &records);
    *needed = neededBytes;
    *returned = records;
    return ok ? 1 : 0;
}

int Win32SpoolerApi::openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) {
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, desiredAccess};
    HANDLE handle = nullptr;
    // OpenPrinterA takes the name as LPSTR but does not write to it.
    const BOOL ok = OpenPrinterA(const_cast<LPSTR>(name), &handle, &defaults);
    *printer = ok ? orNull(handle) : nullptr;
    return ok ? 1 : 0;
}

int Win32SpoolerApi::enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                              std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) {
    DWORD neededBytes = *needed;
    DWORD records = *returned;
    const BOOL ok = EnumJobsA(printer, firstJob, count, 2, buffer, size, &neededBytes, &records);
    *needed = neededBytes;
    *returned = records;
    return ok ? 1 : 0;
}

int Win32SpoolerApi::closePrinter(OsHandle printer) { return ClosePrinter(printer) ? 1 : 0; }

}  // namespace pivora
