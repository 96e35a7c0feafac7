#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "platform/device_interface_api.h"
#include "sim/interface_entry.h"

namespace pivora::sim {

// The device-interface enumeration of one simulated computer. Each class's
// members come from a source (the HID devices, the USB tree) asked afresh for
// every set, so a set is a snapshot as on Windows. As on Windows a set holds
// device elements, one per device instance in the order their first
// interfaces come, so a device with two interfaces moves every later device
// to an element index below its interface index. Sets are counted.
class SimDeviceInterfaces : public DeviceInterfaceApi {
public:
    // The interfaces of a class; presentOnly is false for a set made without
    // DIGCF_PRESENT (devices that are not plugged in now, too).
    using Source = std::function<std::vector<InterfaceEntry>(bool presentOnly)>;

    void setSource(DeviceInterfaceClass interfaceClass, Source source) { sources_[interfaceClass] = std::move(source); }
    void failSets(bool fails) { setsFail_ = fails; }

    int setsOpen() const { return static_cast<int>(sets_.size()); }
    int setsMade() const { return setsMade_; }
    int badReleases() const { return badReleases_; }

    OsHandle getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) override;
    int enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                      DeviceInterfaceRecord* record) override;
    int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                           std::uint32_t detailSize, std::uint32_t* requiredSize, DeviceInfoRecord* device) override;
    int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                  std::uint8_t* buffer, std::uint32_t size) override;
    int destroyDeviceInfoList(OsHandle set) override;

private:
    struct Set {
        DeviceInterfaceClass interfaceClass;
        std::vector<InterfaceEntry> members;  // the interfaces
        std::vector<std::size_t> elementOf;   // each interface's device element
        std::vector<std::size_t> devices;     // each device element's first interface
    };
    Set* find(OsHandle set);
    const InterfaceEntry* member(OsHandle set, std::uintptr_t index);

    std::map<DeviceInterfaceClass, Source> sources_;
    std::map<std::uintptr_t, Set> sets_;
    std::uintptr_t nextSet_ = 0x8000;
    int setsMade_ = 0;
    int badReleases_ = 0;
    bool setsFail_ = false;
};

}  // namespace pivora::sim
