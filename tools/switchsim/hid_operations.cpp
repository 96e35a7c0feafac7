#include "hid_operations.h"

#include <algorithm>

namespace pivora::switchsim {

void ServerIo::writeOutcome(std::uint64_t operation, link::FrameWriter& frame) const {
    const std::uintptr_t status = record.internal;
    const std::uintptr_t count = record.internalHigh;
    frame.u64(operation);
    frame.u64(status);
    frame.u64(count);
    const bool bytesRead = read && ended() && status == 0;
    const auto moved = static_cast<std::uint32_t>(std::min<std::uintptr_t>(count, length));
    frame.buffer(bytesRead ? buffer.data() : nullptr, bytesRead ? moved : 0);
}

std::vector<std::unique_ptr<ServerIo>> HidOperations::takeAll() {
    std::vector<std::unique_ptr<ServerIo>> all;
    for (auto& entry : operations_) all.push_back(std::move(entry.second));
    operations_.clear();
    return all;
}

}  // namespace pivora::switchsim
