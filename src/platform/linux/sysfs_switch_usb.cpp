#include "platform/linux/sysfs_switch_usb.h"

#include <cstring>
#include <utility>

#include "platform/linux/usb_description.h"
#include "platform/linux/usb_device_name.h"

namespace pivora {

namespace {

// A reference given to us is read only within its buffer; one that fills
// it is no reference.
std::optional<std::string> hubReference(const char* hub) {
    if (hub == nullptr) return std::nullopt;
    const std::size_t length = strnlen(hub, SwitchUsb::kHubRefSize);
    if (length == 0 || length == SwitchUsb::kHubRefSize) return std::nullopt;
    return std::string(hub, length);
}

}  // namespace

SysfsSwitchUsb::SysfsSwitchUsb(std::string sysRoot, std::string procRoot, StorageEjector& ejector,
                               UsbNameDatabase& names, DiagnosticTrace& trace)
    : devices_(std::move(sysRoot)), procRoot_(std::move(procRoot)), ejector_(ejector), names_(names), trace_(trace) {}

int SysfsSwitchUsb::locateHub(std::uint16_t vendorId, std::uint16_t productId, char* hubOut) {
    HubSearch search{vendorId, productId, 0, std::string()};
    for (const std::string& name : devices_.names()) {
        const auto parsed = UsbDeviceName::parse(name);
        if (!parsed || !parsed->rootHub) continue;
        search.hubsLeft = kMaxHubsPerRoot;
        exploreHub(name, search);
        if (!search.found.empty()) break;
    }
    if (search.found.empty() || search.found.size() >= kHubRefSize) return 0;
    std::memcpy(hubOut, search.found.c_str(), search.found.size() + 1);
    return 1;
}

void SysfsSwitchUsb::exploreHub(const std::string& hub, HubSearch& search) const {
    if (search.hubsLeft <= 0) return;
    --search.hubsLeft;
    const auto parsed = UsbDeviceName::parse(hub);
    const auto count = devices_.portCount(hub);
    if (!parsed || !count) return;
    for (std::uint32_t port = 0; port < *count && search.found.empty(); ++port) {
        const auto child = parsed->child(static_cast<int>(port));
        const auto device = child ? devices_.read(*child) : std::nullopt;
        if (!device || !device->isHub) continue;
        // The first match in the walk is the switch; a matching hub is not walked.
        if (device->vendorId == search.vendorId && device->productId == search.productId)
            search.found = device->name;
        else
            exploreHub(device->name, search);
    }
}

int SysfsSwitchUsb::getHubPortCount(const char* hub, std::uint32_t* countOut) {
    const auto name = hubReference(hub);
    const auto count = name ? devices_.portCount(*name) : std::nullopt;
    if (!count) return 0;
    *countOut = *count;
    return 1;
}

std::optional<SysfsUsbDevice> SysfsSwitchUsb::deviceOnPort(const char* hub, int port) const {
    const auto name = hubReference(hub);
    if (!name) return std::nullopt;
    const auto parsed = UsbDeviceName::parse(*name);
    const auto count = devices_.portCount(*name);
    if (!parsed || !count || port < 0 || static_cast<std::uint32_t>(port) >= *count) return std::nullopt;
    const auto child = parsed->child(port);
    return child ? devices_.read(*child) : std::nullopt;
}

int SysfsSwitchUsb::queryHubPort(const char* hub, int port, std::uint16_t* vendorIdOut, std::uint16_t* productIdOut,
                                 std::uint32_t* isHubOut) {
    const auto device = deviceOnPort(hub, port);
    *vendorIdOut = device ? device->vendorId : 0;
    *productIdOut = device ? device->productId : 0;
    *isHubOut = device && device->isHub ? 1 : 0;
    return device ? 1 : 0;
}

std::optional<SysfsUsbDevice> SysfsSwitchUsb::firstPresent(std::uint16_t vendorId, std::uint16_t productId) const {
    for (const std::string& name : devices_.names()) {
        auto device = devices_.read(name);
        if (device && device->vendorId == vendorId && device->productId == productId) return device;
    }
    return std::nullopt;
}

std::string SysfsSwitchUsb::describeFromDatabase(std::uint16_t vendorId, std::uint16_t productId) {
    const UsbIdNames known = names_.lookup(vendorId, productId);
    return describeUsbDevice(known.vendor, known.model);
}

std::string SysfsSwitchUsb::describe(const SysfsUsbDevice& device) {
    // A device that gives no strings of its own is named by its IDs.
    const std::string text = describeUsbDevice(device.manufacturer, device.product);
    return text.empty() ? describeFromDatabase(device.vendorId, device.productId) : text;
}

int SysfsSwitchUsb::findPresentDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) {
    const auto device = firstPresent(vendorId, productId);
    if (!device) return 0;
    if (descriptionOut != nullptr) {
        const std::string text = describe(*device);
        if (!text.empty()) writeDescription(text, descriptionOut);
    }
    return 1;
}

int SysfsSwitchUsb::findKnownDevice(std::uint16_t vendorId, std::uint16_t productId, char* descriptionOut) {
    // (0, 0) stands for no device anywhere in Pivora.
    if (vendorId == 0 && productId == 0) return 0;
    const auto device = firstPresent(vendorId, productId);
    const std::string text = device ? describe(*device) : describeFromDatabase(vendorId, productId);
    if (text.empty()) return 0;
    writeDescription(text, descriptionOut);
    return 1;
}

int SysfsSwitchUsb::findDeviceOnHubPort(const char* hub, int port, std::uint16_t vendorId, std::uint16_t productId,
                                        UsbDeviceRef* deviceOut) {
    const auto device = deviceOnPort(hub, port);
    const bool found = device && device->vendorId == vendorId && device->productId == productId;
    deviceOut->id = found ? device->name : std::string();
    return found ? 1 : 0;
}

}  // namespace pivora
