#pragma once

#include "link/link_connection.h"
#include "link/record_rebase.h"
#include "platform/spooler_api.h"

namespace pivora::link {

// The print spooler over the link; the lists' pointers are moved into the
// caller's buffer (record_rebase.h).
class LinkSpoolerApi : public SpoolerApi {
public:
    explicit LinkSpoolerApi(LinkConnection& link) : link_(link) {}

    int enumLocalPrinters(std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          std::uint32_t* returned) override;
    int openPrinter(const char* name, std::uint32_t desiredAccess, OsHandle* printer) override;
    int enumJobs(OsHandle printer, std::uint32_t firstJob, std::uint32_t count, std::uint8_t* buffer,
                 std::uint32_t size, std::uint32_t* needed, std::uint32_t* returned) override;
    int closePrinter(OsHandle printer) override;

private:
    // Sends the list's arguments, then takes its answer into the caller's.
    int listCall(FrameWriter& request, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                 std::uint32_t* returned, const PointerRecords& layout);

    LinkConnection& link_;
};

}  // namespace pivora::link
