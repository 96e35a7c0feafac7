#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/device_interface_api.h"
#include "platform/usb_hub_api.h"

namespace pivora {

// Where the switch's hub sits in this computer's USB tree, what is plugged
// into its ports, and which device instance a USB ID stands for. Every call
// opens what it needs and releases it before it returns.
class UsbTopology {
public:
    static constexpr std::size_t kNameSize = 256;
    // Names are converted into at most 254 bytes, terminator included.
    static constexpr int kNameConversionLimit = 254;
    static constexpr std::size_t kDescriptionSize = 128;
    // USB allows five hubs between a root hub and a device; far more is a
    // looping or lying driver.
    static constexpr int kMaxHubDepth = 16;
    // A bus has at most 127 device addresses; a walk below one root hub that
    // meets more hubs than that is following a lying driver round in circles.
    static constexpr int kMaxHubsPerRoot = 127;

    UsbTopology(DeviceInterfaceApi& interfaces, UsbHubApi& hubs);
    UsbTopology(const UsbTopology&) = delete;
    UsbTopology& operator=(const UsbTopology&) = delete;

    // Hub locator.
    int locateHub(std::uint16_t vendorId, std::uint16_t productId, char* nameOut);
    int readRootHubName(OsHandle controller, char* nameOut);
    void exploreHub(const char* hubName);
    void readConnectionName(OsHandle hub, std::uint32_t connectionIndex, char* nameOut);

    // Hub port inspection; hubName without the "\\.\" prefix.
    int getHubPortCount(const char* hubName, std::uint32_t* countOut);
    int queryHubPort(const char* hubName, int portIndex, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut,
                     std::uint32_t* isHubOut);
    int getDownstreamHubName(const char* hubName, int portIndex, char* nameOut);
    // The name of the software key of the device on the port, as the hub's
    // driver gives it; 1 when one was read.
    int readPortDriverKey(const char* hubName, int portIndex, char* keyOut);

    // Device lookup.
    int findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, std::uint32_t* devInstOut,
                          char* descriptionOut);
    int findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut);
    // The present device with that ID on port `portIndex` of the hub, found
    // by its place (the port's driver key matched to each device's): another
    // device with the same ID elsewhere on this computer is never taken for
    // it. 1 with its instance; 0 and instance 0 when it cannot be told apart.
    int findDeviceOnHubPort(const char* hubName, int portIndex, std::uint16_t vendorId, std::uint16_t productId,
                            std::uint32_t* devInstOut);
    int parseUsbIdFromPath(const char* path, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut) const;

private:
    struct HubRelease {
        UsbHubApi* hubs;
        void operator()(OsHandle device) const { hubs->closeHandle(device); }
    };
    using ScopedHub = ScopedOsHandle<HubRelease>;

    ScopedHub openHub(const char* hubName);
    // The hub, for a question about one of its ports; nothing for an index
    // no hub has.
    ScopedHub openHubForPort(const char* hubName, int portIndex);
    int readNameRecord(OsHandle device, std::uint32_t ioctl, std::uint32_t probeSize, std::uint32_t lengthOffset,
                       std::uint32_t nameOffset, const std::uint32_t* connectionIndex, char* nameOut);
    int readConnectionRecord(OsHandle hub, std::uint32_t connectionIndex, std::uint8_t* record);
    void exploreHubAt(const char* hubName, int depth);
    void walkPorts(OsHandle hub, std::uint32_t portCount, int depth);
    // `driverKey`, when given, names the one device that may match.
    int findDevice(std::uint32_t flags, std::uint16_t vendorId, std::uint16_t productId, std::uint32_t* devInstOut,
                   char* descriptionOut, const char* driverKey = nullptr);
    bool hasDriverKey(OsHandle set, const DeviceInfoRecord& device, const char* driverKey);
    void convertName(const std::uint8_t* utf16le, char* nameOut);

    DeviceInterfaceApi& interfaces_;
    UsbHubApi& hubs_;
    std::uint16_t targetVendorId = 0;
    std::uint16_t targetProductId = 0;
    std::array<char, kNameSize> foundHubName{};
    int hubsLeft = 0;
};

// The value of the first four characters read as hexadecimal digits; any
// other character adds nothing but keeps its place.
std::uint16_t parseHex4(const char* text);

}  // namespace pivora
