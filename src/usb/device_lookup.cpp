#include <array>
#include <cstring>

#include "platform/ascii_case.h"
#include "platform/interface_path.h"
#include "usb/usb_topology.h"

namespace pivora {

namespace {
// The IDs sit near the start of a USB device path.
constexpr std::size_t kLastMarkerStart = 25;
constexpr std::size_t kMarkerLength = 4;
// Far longer than any device path; a longer one is passed over unread.
constexpr std::size_t kMaxDevicePath = 1024;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}
}  // namespace

std::uint16_t parseHex4(const char* text) {
    unsigned value = 0;
    bool ended = false;
    for (std::size_t i = 0; i < 4; ++i) {
        // A text that ends early is read no further; the missing places count as 0.
        ended = ended || text[i] == '\0';
        value = value * 16 + static_cast<unsigned>(ended ? 0 : hexDigit(text[i]));
    }
    return static_cast<std::uint16_t>(value);
}

int UsbTopology::parseUsbIdFromPath(const char* path, std::uint16_t* vendorIdOut,
                                    std::uint16_t* productIdOut) const {
    *vendorIdOut = 0;
    *productIdOut = 0;
    int markers = 0;
    const std::size_t length = strnlen(path, kLastMarkerStart + kMarkerLength);
    for (std::size_t start = 0; start <= kLastMarkerStart && start + kMarkerLength <= length; ++start) {
        const char* at = path + start;
        // All four characters lie before the terminator: a fixed-size compare.
        if (std::memcmp(at, "vid_", kMarkerLength) == 0) {
            *vendorIdOut = parseHex4(at + kMarkerLength);
            ++markers;
        }
        if (std::memcmp(at, "pid_", kMarkerLength) == 0) {
            *productIdOut = parseHex4(at + kMarkerLength);
            ++markers;
        }
    }
    return markers == 2 ? 1 : 0;
}

bool UsbTopology::hasDriverKey(OsHandle set, const DeviceInfoRecord& device, const char* driverKey) {
    // Read aside with room for a terminator the property may lack.
    std::array<std::uint8_t, kNameSize + 1> key{};
    if (!interfaces_.getDeviceRegistryProperty(set, &device, kSpdrpDriver, key.data(), kNameSize)) return false;
    return equalsIgnoringCase(reinterpret_cast<const char*>(key.data()), driverKey);
}

int UsbTopology::findDevice(std::uint32_t flags, std::uint16_t vendorId, std::uint16_t productId,
                            std::uint32_t* devInstOut, char* descriptionOut, const char* driverKey) {
    ScopedInterfaceSet set = openInterfaceSet(interfaces_, DeviceInterfaceClass::UsbDevice, flags);
    if (!set) return 0;
    for (std::uint32_t index = 0;; ++index) {
        DeviceInterfaceRecord iface{};
        iface.cbSize = sizeof(iface);
        if (!interfaces_.enumInterface(set.get(), DeviceInterfaceClass::UsbDevice, index, &iface)) return 0;
        // The device comes with the path: the set's devices need not be in
        // the order of their interfaces.
        InterfacePath path;
        DeviceInfoRecord device{};
        const InterfacePath::Outcome outcome = path.read(interfaces_, set.get(), iface, kMaxDevicePath, &device);
        if (outcome == InterfacePath::Outcome::Failed) return 0;
        if (outcome == InterfacePath::Outcome::TooLong) continue;

        std::uint16_t foundVendorId = 0;
        std::uint16_t foundProductId = 0;
        if (!parseUsbIdFromPath(path.text(), &foundVendorId, &foundProductId) || foundVendorId != vendorId ||
            foundProductId != productId)
            continue;
        if (driverKey != nullptr && !hasDriverKey(set.get(), device, driverKey)) continue;

        if (devInstOut != nullptr) *devInstOut = device.devInst;
        if (descriptionOut != nullptr) {
            // Read aside so a description that cannot be read leaves the
            // caller's text as it was, and one stored without its terminator
            // still ends within the buffer.
            std::uint8_t description[kDescriptionSize] = {};
            if (interfaces_.getDeviceRegistryProperty(set.get(), &device, kSpdrpDeviceDesc, description,
                                                      kDescriptionSize)) {
                description[kDescriptionSize - 1] = 0;
                std::memcpy(descriptionOut, description, kDescriptionSize);
            }
        }
        return 1;
    }
}

int UsbTopology::findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, std::uint32_t* devInstOut,
                                   char* descriptionOut) {
    if (devInstOut != nullptr) *devInstOut = 0;
    return findDevice(kDigcfPresent | kDigcfDeviceInterface, vendorId, productId, devInstOut, descriptionOut);
}

int UsbTopology::findDeviceOnHubPort(const char* hubName, int portIndex, std::uint16_t vendorId,
                                     std::uint16_t productId, std::uint32_t* devInstOut) {
    *devInstOut = 0;
    std::array<char, kNameSize> driverKey{};
    if (readPortDriverKey(hubName, portIndex, driverKey.data()) != 1) return 0;
    return findDevice(kDigcfPresent | kDigcfDeviceInterface, vendorId, productId, devInstOut, nullptr,
                      driverKey.data());
}

int UsbTopology::findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) {
    if (vendorId == 0 && productId == 0) {
        // (0, 0) stands for no device anywhere in Pivora.
        descriptionOut[0] = '\0';
        return 0;
    }
    return findDevice(kDigcfDeviceInterface, vendorId, productId, nullptr, descriptionOut);
}

}  // namespace pivora
