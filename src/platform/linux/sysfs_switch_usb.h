#pragma once

#include <string>

#include "platform/diagnostic_trace.h"
#include "platform/linux/storage_ejector.h"
#include "platform/linux/sysfs_usb_devices.h"
#include "platform/linux/usb_name_database.h"
#include "usb/switch_usb.h"

namespace pivora {

// The switch's USB side the Linux way: the tree read from sysfs, names
// from the devices' own strings or udev's hardware database, disks ejected
// through the StorageEjector. A hub's and a device's reference is its
// kernel name ("1-1", "1-1.2"), which is also its place in the tree.
class SysfsSwitchUsb : public SwitchUsb {
public:
    // A bus has at most 127 device addresses, so a walk below one root hub
    // meets no more hubs than that. Its depth needs no bound of its own: a
    // name has seven tiers at most, and a deeper one is no device's.
    static constexpr int kMaxHubsPerRoot = 127;

    // `sysRoot` and `procRoot` stand for /sys and /proc.
    SysfsSwitchUsb(std::string sysRoot, std::string procRoot, StorageEjector& ejector, UsbNameDatabase& names,
                   DiagnosticTrace& trace);

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
    struct HubSearch {
        std::uint16_t vendorId;
        std::uint16_t productId;
        int hubsLeft;
        std::string found;
    };

    void exploreHub(const std::string& hub, HubSearch& search) const;
    // The device on port `port` of `hub`; nothing when the hub reference is
    // not a hub's name, the port is not one of its ports or nothing is there.
    std::optional<SysfsUsbDevice> deviceOnPort(const char* hub, int port) const;
    std::optional<SysfsUsbDevice> firstPresent(std::uint16_t vendorId, std::uint16_t productId) const;
    std::string describe(const SysfsUsbDevice& device);
    std::string describeFromDatabase(std::uint16_t vendorId, std::uint16_t productId);

    SysfsUsbDevices devices_;
    std::string procRoot_;
    StorageEjector& ejector_;
    UsbNameDatabase& names_;
    DiagnosticTrace& trace_;
};

}  // namespace pivora
