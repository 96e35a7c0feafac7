#pragma once

#include <cstdint>

#include "platform/spooler_api.h"

namespace pivora {

// The real print spooler: each call is the one Windows call its contract in
// spooler_api.h names, with BOOLs as 0/1 and a printer that did not open as
// nullptr. The records pass through untouched. No state, no logic.
class Win32SpoolerApi : public SpoolerApi {
public:
    int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          std::uint32_t* returned) override;
    int openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) override;
    int enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                 std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override;
    int closePrinter(OsHandle printer) override;
};

}  // namespace pivora
