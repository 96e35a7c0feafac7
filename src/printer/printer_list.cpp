#include "printer/printer_list.h"

#include <cstring>

namespace pivora {

namespace {
// No spooler needs more for its local printers; a larger claim is not believed.
constexpr std::uint32_t kMaxListSize = 16 * 1024 * 1024;
}  // namespace

int PrinterList::read(SpoolerApi& spooler) {
    buffer_.clear();
    count_ = 0;
    std::uint32_t needed = 0;
    std::uint32_t returned = 0;
    spooler.enumLocalPrinters(nullptr, 0, &needed, &returned);
    if (needed > kMaxListSize) return 0;
    // One byte more than asked, zero-filled, so an empty list still has a buffer.
    buffer_.assign(static_cast<std::size_t>(needed) + 1, 0);
    returned = 0;
    if (!spooler.enumLocalPrinters(buffer_.data(), needed, &needed, &returned)) return 0;
    // Only records that lie wholly inside the buffer are counted.
    const std::uint32_t fit = static_cast<std::uint32_t>(buffer_.size() / printerinfo::kRecordSize);
    count_ = returned < fit ? returned : fit;
    return 1;
}

const char* PrinterList::text(std::uint32_t index, std::uint32_t fieldOffset) const {
    if (index >= count_) return nullptr;
    std::uintptr_t pointer = 0;
    std::memcpy(&pointer, buffer_.data() + static_cast<std::size_t>(index) * printerinfo::kRecordSize + fieldOffset,
                sizeof pointer);
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer_.data());
    const std::uintptr_t end = begin + buffer_.size();
    if (pointer < begin || pointer >= end) return nullptr;
    const char* found = reinterpret_cast<const char*>(pointer);
    return strnlen(found, end - pointer) < end - pointer ? found : nullptr;
}

}  // namespace pivora
