#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pivora {

// What became of a safe removal.
enum class RemovalResult : std::uint8_t {
    Removed,  // the device is stopped and may leave
    Busy,     // something on this computer uses it: it must stay
    Failed,   // the system could not remove it (gone meanwhile, an error)
};

// The device on one port of the switch's hub, as found for its removal. The
// text means something only to the implementation that made it.
struct UsbDeviceRef {
    std::string id;
};

// The switch's USB side as this computer sees it: the switch's hub, what is
// plugged into its downstream ports, the names of devices, and safe removal.
// Each call asks the system afresh and releases whatever it opened before it
// returns; none keeps state between calls. Ports are counted from 0, as the
// controller counts them (port 0 is the hub's first downstream port). Texts
// written out are always terminated within their buffers.
class SwitchUsb {
public:
    // A hub reference fits this many bytes, terminator included.
    static constexpr std::size_t kHubRefSize = 256;
    // A device description is cut to fit this many bytes, terminator included.
    static constexpr std::size_t kDescriptionSize = 128;

    virtual ~SwitchUsb() = default;

    // The first hub with this USB ID in the system's walk of its USB tree. 1
    // and the hub's reference in `hubOut` (kHubRefSize bytes); 0 when none is
    // found, `hubOut` then unspecified.
    virtual int locateHub(std::uint16_t vendorId, std::uint16_t productId, char* hubOut) = 0;

    // The number of downstream ports of `hub`: 1 and the count; 0 when the
    // hub cannot be read.
    virtual int getHubPortCount(const char* hub, std::uint32_t* countOut) = 0;

    // What is plugged into port `port` of `hub`: 1 with its USB ID and
    // whether it is a hub itself; 0 and zeros when nothing is connected there,
    // the port does not exist or the hub cannot be read.
    virtual int queryHubPort(const char* hub, int port, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut,
                             std::uint32_t* isHubOut) = 0;

    // A device with this USB ID present anywhere on this computer: 1 and its
    // description in `descriptionOut` (kDescriptionSize bytes; may be null);
    // 0 when there is none. A description that cannot be read leaves
    // `descriptionOut` as it was.
    virtual int findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) = 0;

    // The description this computer knows for a device with this USB ID,
    // present or not (a device seen before, or its system's database of
    // names): 1 and the text (kDescriptionSize bytes); 0 when none is known.
    // (0, 0) stands for no device and is never known.
    virtual int findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) = 0;

    // The present device with this USB ID on port `port` of `hub`, found by
    // its place: a device with the same ID elsewhere on this computer is
    // never taken for it. 1 and its reference; 0 when it cannot be told apart.
    virtual int findDeviceOnHubPort(const char* hub, int port, std::uint16_t vendorId, std::uint16_t productId,
                                    UsbDeviceRef* deviceOut) = 0;

    // Stops the device the way the user's own safe removal would. Writes
    // what it did to the diagnostic trace; may take as long as the system
    // takes to flush and stop the device.
    virtual RemovalResult safeRemove(const UsbDeviceRef& device) = 0;
};

}  // namespace pivora
