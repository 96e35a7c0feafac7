#include "handle_table.h"

namespace pivora::switchsim {

std::uint64_t HandleTable::add(HandleKind kind, OsHandle handle) {
    if (handle == nullptr) return 0;
    const std::uint64_t number = next_++;
    handles_.emplace(number, std::make_pair(kind, handle));
    return number;
}

OsHandle HandleTable::find(std::uint64_t number, HandleKind kind) const {
    const auto found = handles_.find(number);
    return found != handles_.end() && found->second.first == kind ? found->second.second : nullptr;
}

std::vector<std::pair<HandleKind, OsHandle>> HandleTable::takeAll() {
    std::vector<std::pair<HandleKind, OsHandle>> all;
    for (const auto& entry : handles_) all.push_back(entry.second);
    handles_.clear();
    return all;
}

}  // namespace pivora::switchsim
