#pragma once

#include "platform/device_removal_api.h"
#include "platform/diagnostic_trace.h"
#include "usb/switch_usb.h"
#include "usb/usb_topology.h"

namespace pivora {

// The switch's USB side the Windows way: the hub found through the host
// controllers' hub I/O controls, devices through SetupAPI, removal through
// the Configuration Manager. A device's reference is its device instance.
class WindowsSwitchUsb : public SwitchUsb {
public:
    WindowsSwitchUsb(DeviceInterfaceApi& interfaces, UsbHubApi& hubs, DeviceRemovalApi& removal,
                     DiagnosticTrace& trace)
        : topology_(interfaces, hubs), removal_(removal), trace_(trace) {}

    int locateHub(std::uint16_t vendorId, std::uint16_t productId, char* hubOut) override;
    int getHubPortCount(const char* hub, std::uint32_t* countOut) override;
    int queryHubPort(const char* hub, int port, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut,
                     std::uint32_t* isHubOut) override;
    int findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) override;
    int findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) override;
    int findDeviceOnHubPort(const char* hub, int port, std::uint16_t vendorId, std::uint16_t productId,
                            UsbDeviceRef* deviceOut) override;
    RemovalResult safeRemove(const UsbDeviceRef& device) override;

private:
    static_assert(UsbTopology::kNameSize == kHubRefSize && UsbTopology::kDescriptionSize == kDescriptionSize,
                  "the topology's texts fit the seam's buffers");

    UsbTopology topology_;
    DeviceRemovalApi& removal_;
    DiagnosticTrace& trace_;
};

}  // namespace pivora
