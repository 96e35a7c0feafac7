#pragma once

#include "link/link_connection.h"
#include "platform/device_interface_api.h"

namespace pivora::link {

// The SetupAPI device-interface enumeration over the link. The interface
// and device records travel whole, their platform-owned words included.
class LinkDeviceInterfaceApi : public DeviceInterfaceApi {
public:
    explicit LinkDeviceInterfaceApi(LinkConnection& link) : link_(link) {}

    OsHandle getClassDevs(DeviceInterfaceClass interfaceClass, std::uint32_t flags) override;
    int enumInterface(OsHandle set, DeviceInterfaceClass interfaceClass, std::uint32_t index,
                      DeviceInterfaceRecord* record) override;
    int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                           std::uint32_t detailSize, std::uint32_t* requiredSize, DeviceInfoRecord* device) override;
    int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                  std::uint8_t* buffer, std::uint32_t size) override;
    int destroyDeviceInfoList(OsHandle set) override;

private:
    LinkConnection& link_;
};

}  // namespace pivora::link
