#pragma once

#include <cstdint>

#include "platform/spooler_api.h"

namespace pivora::link {

// The spooler's level-2 lists hold pointers into the very buffer they fill.
// Across the link they arrive as the simulator's addresses; the client
// shifts every non-null pointer field by the distance between the two
// buffers, so each points at the same offset of the caller's buffer as it
// did of the simulator's, inside it or not (a pointer that left the
// simulator's buffer leaves the caller's by as much). The records' layout
// is the same on both sides (the Hello carries the pointer width).
struct PointerRecords {
    std::uint32_t recordSize;
    std::uint32_t firstPointer;  // offset of the first pointer field
    std::uint32_t pointerCount;  // pointer fields, back to back
};

// PRINTER_INFO_2A: thirteen pointers, then eight 32-bit words.
constexpr PointerRecords kPrinterRecords{printerinfo::kRecordSize, 0, 13};
// JOB_INFO_2A: JobId, padded to a pointer's alignment, twelve pointers, then
// seven words, a SYSTEMTIME and two words.
constexpr PointerRecords kJobRecords{sizeof(void*) == 8 ? 160u : 104u, sizeof(void*), 12};

// Shifts the pointer fields of the first `count` records in `buffer`, those
// that lie wholly within its `size` bytes.
void rebasePointers(std::uint8_t* buffer, std::uint32_t size, std::uint64_t serverBase, std::uint32_t count,
                    const PointerRecords& layout);

}  // namespace pivora::link
