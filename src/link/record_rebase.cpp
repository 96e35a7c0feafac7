#include "link/record_rebase.h"

#include <cstddef>
#include <cstring>

namespace pivora::link {

void rebasePointers(std::uint8_t* buffer, std::uint32_t size, std::uint64_t serverBase, std::uint32_t count,
                    const PointerRecords& layout) {
    if (buffer == nullptr) return;
    // Unsigned arithmetic: the shift wraps the same way whichever buffer lies higher.
    const std::uintptr_t shift = reinterpret_cast<std::uintptr_t>(buffer) - static_cast<std::uintptr_t>(serverBase);
    const std::uint32_t whole = size / layout.recordSize;
    for (std::uint32_t record = 0; record < count && record < whole; ++record) {
        std::uint8_t* fields = buffer + std::size_t{record} * layout.recordSize + layout.firstPointer;
        for (std::uint32_t field = 0; field < layout.pointerCount; ++field) {
            std::uintptr_t pointer = 0;
            std::memcpy(&pointer, fields + field * sizeof pointer, sizeof pointer);
            if (pointer == 0) continue;
            pointer += shift;
            std::memcpy(fields + field * sizeof pointer, &pointer, sizeof pointer);
        }
    }
}

}  // namespace pivora::link
