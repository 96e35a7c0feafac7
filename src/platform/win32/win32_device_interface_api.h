#pragma once

#include <cstdint>

#include "platform/device_interface_api.h"

namespace pivora {

// The real SetupAPI enumeration: each call is the one Windows call its
// contract in device_interface_api.h names, with INVALID_HANDLE_VALUE reported
// as nullptr and BOOLs as 0/1. No state, no logic.
class Win32DeviceInterfaceApi : public DeviceInterfaceApi {
public:
    OsHandle getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) override;
    int enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                      DeviceInterfaceRecord* record) override;
    int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                           std::uint32_t detailSize, std::uint32_t* requiredSize, DeviceInfoRecord* device) override;
    int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                  std::uint8_t* buffer, std::uint32_t size) override;
    int destroyDeviceInfoList(OsHandle set) override;
};

}  // namespace pivora
