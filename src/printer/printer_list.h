#pragma once

#include <cstdint>
#include <vector>

#include "platform/spooler_api.h"

namespace pivora {

// The spooler's list of local printers at level 2, read with the two-call
// protocol. The records hold pointers into the same buffer; a pointer that
// leaves the buffer, or a text not terminated within it, reads as no text.
class PrinterList {
public:
    // 1 when the spooler listed its printers.
    int read(SpoolerApi& spooler);

    std::uint32_t count() const { return count_; }
    // The text a record's pointer field names, or nullptr.
    const char* text(std::uint32_t index, std::uint32_t fieldOffset) const;

private:
    std::vector<std::uint8_t> buffer_;
    std::uint32_t count_ = 0;
};

}  // namespace pivora
