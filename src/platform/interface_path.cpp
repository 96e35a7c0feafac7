#include "platform/interface_path.h"

#include <cstring>

namespace pivora {

namespace {
// Room for the platform rounding the record's size up.
constexpr std::size_t kSizeSlack = 8;
}  // namespace

InterfacePath::Outcome InterfacePath::read(DeviceInterfaceApi& api, OsHandle set, const DeviceInterfaceRecord& iface,
                                           std::size_t maxLength, DeviceInfoRecord* device) {
    detail_.clear();
    length_ = 0;
    std::uint32_t required = 0;
    api.getInterfaceDetail(set, &iface, nullptr, 0, &required, nullptr);
    if (required <= kInterfaceDetailPathOffset) return Outcome::Failed;  // no record is that small
    // Neither read a path the caller cannot use nor let a driver choose a huge buffer.
    if (required > kInterfaceDetailPathOffset + maxLength + 1 + kSizeSlack) return Outcome::TooLong;

    detail_.assign(required, 0);
    const std::uint32_t cbSize = kInterfaceDetailCbSize;
    std::memcpy(detail_.data(), &cbSize, sizeof(cbSize));
    if (device != nullptr) *device = DeviceInfoRecord{sizeof(DeviceInfoRecord), {}, 0, 0};
    if (!api.getInterfaceDetail(set, &iface, detail_.data(), required, nullptr, device)) return Outcome::Failed;

    const std::size_t room = required - kInterfaceDetailPathOffset;
    length_ = strnlen(text(), room);
    if (length_ == room) return Outcome::Failed;  // not terminated: not a path
    return length_ > maxLength ? Outcome::TooLong : Outcome::Read;
}

const char* InterfacePath::text() const {
    if (detail_.size() <= kInterfaceDetailPathOffset) return "";
    return reinterpret_cast<const char*>(detail_.data() + kInterfaceDetailPathOffset);
}

}  // namespace pivora
