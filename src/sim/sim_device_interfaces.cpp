#include "sim/sim_device_interfaces.h"

#include <algorithm>
#include <cstring>

namespace pivora::sim {

namespace {
std::uintptr_t keyOf(OsHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }
}  // namespace

SimDeviceInterfaces::Set* SimDeviceInterfaces::find(OsHandle set) {
    auto entry = sets_.find(keyOf(set));
    return entry != sets_.end() ? &entry->second : nullptr;
}

const InterfaceEntry* SimDeviceInterfaces::member(OsHandle set, std::uintptr_t index) {
    Set* found = find(set);
    if (found == nullptr || index >= found->members.size()) return nullptr;
    return &found->members[index];
}

OsHandle SimDeviceInterfaces::getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) {
    if (setsFail_ || (flags & kDigcfDeviceInterface) == 0) return nullptr;
    Set set{interfaceClass, {}, {}, {}};
    auto source = sources_.find(interfaceClass);
    if (source != sources_.end()) set.members = source->second((flags & kDigcfPresent) != 0);
    for (std::size_t index = 0; index < set.members.size(); ++index) {
        const std::uint32_t devInst = set.members[index].devInst;
        const auto sameDevice = [&](std::size_t first) { return set.members[first].devInst == devInst; };
        const auto element = std::find_if(set.devices.begin(), set.devices.end(), sameDevice);
        set.elementOf.push_back(static_cast<std::size_t>(element - set.devices.begin()));
        if (element == set.devices.end()) set.devices.push_back(index);
    }
    const std::uintptr_t key = nextSet_;
    nextSet_ += 4;
    sets_.emplace(key, std::move(set));
    ++setsMade_;
    return reinterpret_cast<OsHandle>(key);
}

int SimDeviceInterfaces::enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                                       DeviceInterfaceRecord* record) {
    Set* found = find(set);
    if (found == nullptr || found->interfaceClass != interfaceClass || record == nullptr ||
        record->cbSize != sizeof(DeviceInterfaceRecord) || index >= found->members.size())
        return 0;
    record->reserved = index;
    return 1;
}

int SimDeviceInterfaces::getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                                            std::uint32_t detailSize, std::uint32_t* requiredSize,
                                            DeviceInfoRecord* device) {
    const InterfaceEntry* entry = record != nullptr ? member(set, record->reserved) : nullptr;
    if (entry == nullptr) return 0;
    const auto required = static_cast<std::uint32_t>(kInterfaceDetailPathOffset + entry->path.size() + 1);
    if (requiredSize != nullptr) *requiredSize = required;
    if (detail == nullptr || detailSize < required) return 0;
    std::uint32_t cbSize = 0;
    std::memcpy(&cbSize, detail, sizeof(cbSize));
    if (cbSize != kInterfaceDetailCbSize || entry->detailFails) return 0;
    if (device != nullptr && device->cbSize != sizeof(DeviceInfoRecord)) return 0;  // ERROR_INVALID_USER_BUFFER
    std::memcpy(detail + kInterfaceDetailPathOffset, entry->path.c_str(), entry->path.size() + 1);
    if (device != nullptr) {
        device->devInst = entry->devInst;
        device->reserved = find(set)->elementOf[record->reserved];  // the element's index in the set
    }
    return 1;
}

int SimDeviceInterfaces::getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record,
                                                   std::uint32_t property, std::uint8_t* buffer, std::uint32_t size) {
    const Set* found = find(set);
    if (found == nullptr || record == nullptr || buffer == nullptr || record->reserved >= found->devices.size())
        return 0;
    // The device's properties are its first interface's.
    const InterfaceEntry* entry = &found->members[found->devices[record->reserved]];
    const std::string* text = nullptr;
    if (property == kSpdrpDeviceDesc) text = &entry->description;
    if (property == kSpdrpDriver && !entry->driverKey.empty()) text = &entry->driverKey;
    if (text == nullptr) return 0;  // a property the device does not have
    // Like Windows, a text too long for the buffer fails; what was copied is
    // left in it unterminated.
    const std::size_t withTerminator = text->size() + 1;
    std::memcpy(buffer, text->c_str(), std::min<std::size_t>(withTerminator, size));
    return withTerminator <= size ? 1 : 0;
}

int SimDeviceInterfaces::destroyDeviceInfoList(OsHandle set) {
    if (sets_.erase(keyOf(set)) == 0) {
        ++badReleases_;
        return 0;
    }
    return 1;
}

}  // namespace pivora::sim
