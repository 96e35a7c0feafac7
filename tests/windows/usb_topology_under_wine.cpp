// The real USB topology code over the real Windows calls, run under Wine: Wine
// has no USB host controllers and no USB devices, so every walk must find
// nothing and clear what it reports, and the version record Windows fills must
// classify as the Windows it reports. The device-interface seam is checked on
// the HID class, where Wine has devices of its own.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check.h"
#include "platform/byte_order.h"
#include "platform/device_removal_api.h"
#include "platform/interface_path.h"
#include "platform/win32/win32_device_interface_api.h"
#include "platform/win32/win32_device_removal_api.h"
#include "platform/win32/win32_usb_hub_api.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"
#include "usb/windows_version.h"

using namespace pivora;

namespace {

constexpr std::uint16_t kHubVendorId = 0x0424;
constexpr std::uint16_t kHubProductId = 0x2524;
constexpr const char* kBogusHubName = "USB#ROOT_HUB20#4&pivora-absent&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";

// Keeps the trace's text lines, so a test can see which removal call ran.
class TextTrace : public DiagnosticTrace {
public:
    void line(TraceChannel channel, const char* text) override {
        if (channel == TraceChannel::Text) lines += text;
    }
    std::string lines;
};

// The seam's own promises the topology code relies on.
void checkHubSeam(UsbHubApi& hubs) {
    // A failed open must read as nullptr, never as INVALID_HANDLE_VALUE.
    CHECK(hubs.openDevice("\\\\.\\pivora-absent-hub") == nullptr);

    // Names arrive as UTF-16; the count includes the terminator, and a text
    // that does not fit converts to nothing.
    const char16_t name[] = u"USB#ROOT_HUB20#4&1";
    const auto* utf16le = reinterpret_cast<const std::uint8_t*>(name);
    char out[64];
    std::memset(out, 0x55, sizeof out);
    const int written = hubs.wideToAnsi(utf16le, out, sizeof out);
    if (!CHECK(written == static_cast<int>(std::strlen("USB#ROOT_HUB20#4&1")) + 1 &&
               std::strcmp(out, "USB#ROOT_HUB20#4&1") == 0)) {
        std::printf("  wideToAnsi wrote %d\n", written);
    }
    CHECK(hubs.wideToAnsi(utf16le, out, 5) == 0);
}

// Each interface's device element comes with its path, as the device lookup
// takes it: a different device instance for each device, and one the
// description is read through. (Wine numbers its instances from 0.)
int checkInterfaceDevices(DeviceInterfaceApi& interfaces) {
    ScopedInterfaceSet set =
        openInterfaceSet(interfaces, DeviceInterfaceClass::Hid, kDigcfPresent | kDigcfDeviceInterface);
    if (!CHECK(set)) return 0;
    std::vector<std::uint32_t> seen;
    for (std::uint32_t index = 0;; ++index) {
        DeviceInterfaceRecord iface{};
        iface.cbSize = sizeof(iface);
        if (!interfaces.enumInterface(set.get(), DeviceInterfaceClass::Hid, index, &iface)) break;
        InterfacePath path;
        DeviceInfoRecord device{};
        if (!CHECK(path.read(interfaces, set.get(), iface, 1024, &device) == InterfacePath::Outcome::Read)) continue;
        std::uint8_t description[UsbTopology::kDescriptionSize] = {};
        const int described = interfaces.getDeviceRegistryProperty(set.get(), &device, kSpdrpDeviceDesc, description,
                                                                   sizeof description - 1);
        std::uint8_t driverKey[UsbTopology::kNameSize] = {};
        const int keyed =
            interfaces.getDeviceRegistryProperty(set.get(), &device, kSpdrpDriver, driverKey, sizeof driverKey - 1);
        std::printf("HID interface %u: devInst 0x%x, description %d \"%s\", driver key %d \"%s\", %s\n",
                    static_cast<unsigned>(index), static_cast<unsigned>(device.devInst), described,
                    reinterpret_cast<const char*>(description), keyed, reinterpret_cast<const char*>(driverKey),
                    path.text());
        CHECK(std::find(seen.begin(), seen.end(), device.devInst) == seen.end());
        CHECK(described == 1 && description[0] != '\0');
        CHECK(keyed == 1 && driverKey[0] == '{');
        seen.push_back(device.devInst);
    }
    return static_cast<int>(seen.size());
}

void checkHubLookups(UsbTopology& topology) {
    char name[UsbTopology::kNameSize];
    std::memset(name, 0x55, sizeof name);
    CHECK(topology.locateHub(kHubVendorId, kHubProductId, name) == 0);
    CHECK(name[0] == '\0');

    for (const char* hubName : {"", kBogusHubName}) {
        std::uint32_t count = 0xFFFFFFFF;
        if (!CHECK(topology.getHubPortCount(hubName, &count) == 0 && count == 0)) std::printf("  \"%s\"\n", hubName);

        for (const int port : {0, 1}) {
            std::uint16_t vendorId = 0xFFFF;
            std::uint16_t productId = 0xFFFF;
            std::uint32_t isHub = 0xFFFFFFFF;
            const int found = topology.queryHubPort(hubName, port, &vendorId, &productId, &isHub);
            if (!CHECK(found == 0 && vendorId == 0 && productId == 0 && isHub == 0)) {
                std::printf("  \"%s\" port %d\n", hubName, port);
            }
        }

        char downstream[UsbTopology::kNameSize] = {};
        CHECK(topology.getDownstreamHubName(hubName, 0, downstream) == 0);
        std::uint32_t devInst = 0xFFFFFFFF;
        CHECK(topology.findDeviceOnHubPort(hubName, 2, 0x0781, 0x5567, &devInst) == 0 && devInst == 0);
    }
}

void checkDeviceLookups(UsbTopology& topology) {
    constexpr char kUntouched[] = "left as it was";
    char description[UsbTopology::kDescriptionSize] = {};

    std::strcpy(description, kUntouched);
    std::uint32_t devInst = 0xFFFFFFFF;
    CHECK(topology.findPresentDevice(kHubVendorId, kHubProductId, &devInst, description) == 0);
    CHECK(devInst == 0 && std::strcmp(description, kUntouched) == 0);

    std::strcpy(description, kUntouched);
    CHECK(topology.findKnownDevice(kHubVendorId, kHubProductId, description) == 0);
    CHECK(std::strcmp(description, kUntouched) == 0);

    // (0, 0) is no device at all: the description is emptied.
    std::strcpy(description, kUntouched);
    CHECK(topology.findKnownDevice(0, 0, description) == 0);
    CHECK(description[0] == '\0');
}

// The releases a 64-bit Wine prefix can be set to, by what GetVersionEx
// reports for them (an exe without a manifest sees at most 6.2), and the code
// each must classify as.
struct Release {
    const char* name;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint8_t productType;  // 0: any
    WindowsVersionCode code;
};

const Release kReleases[] = {
    {"XP x64 or Server 2003", 5, 2, 0, 5},
    {"Vista", 6, 0, 1, 7},
    {"Server 2008", 6, 0, 3, 7},
    {"Windows 7", 6, 1, 1, 7},
    {"Server 2008 R2", 6, 1, 3, 7},
    {"Windows 8 or later", 6, 2, 1, 7},
};

WindowsVersionCode checkVersion(DeviceRemovalApi& removal) {
    std::uint8_t record[osversion::kSize] = {};
    writeLe32(record + osversion::kSizeOffset, osversion::kSize);
    const int ok = removal.getVersionEx(record);
    const std::uint32_t major = readLe32(record + osversion::kMajorOffset);
    const std::uint32_t minor = readLe32(record + osversion::kMinorOffset);
    const std::uint32_t build = readLe32(record + offsetof(OSVERSIONINFOEXA, dwBuildNumber));
    const std::uint32_t platform = readLe32(record + osversion::kPlatformIdOffset);
    const std::uint8_t productType = record[osversion::kProductTypeOffset];
    char servicePack[sizeof(OSVERSIONINFOEXA::szCSDVersion) + 1] = {};
    std::memcpy(servicePack, record + offsetof(OSVERSIONINFOEXA, szCSDVersion), sizeof servicePack - 1);
    std::printf("getVersionEx %d: major %u minor %u build %u platform %u product type %u \"%s\"\n", ok,
                static_cast<unsigned>(major), static_cast<unsigned>(minor), static_cast<unsigned>(build),
                static_cast<unsigned>(platform), static_cast<unsigned>(productType), servicePack);
    CHECK(ok == 1 && platform == 2);  // VER_PLATFORM_WIN32_NT

    const WindowsVersionCode code = classifyWindowsVersion(removal);
    std::printf("classifyWindowsVersion: %u\n", static_cast<unsigned>(code));
    const Release* release = nullptr;
    for (const Release& candidate : kReleases) {
        if (candidate.major == major && candidate.minor == minor &&
            (candidate.productType == 0 || candidate.productType == productType)) {
            release = &candidate;
        }
    }
    if (CHECK(release != nullptr)) {
        std::printf("  that is %s\n", release->name);
        CHECK(code == release->code);
    }
    return code;
}

}  // namespace

int main() {
    const char* wine = wine_check::start();

    Win32DeviceInterfaceApi interfaces;
    Win32UsbHubApi hubs;
    Win32DeviceRemovalApi removal;
    UsbTopology topology(interfaces, hubs);

    checkHubSeam(hubs);
    const int hidInterfaces = checkInterfaceDevices(interfaces);
    if (wine != nullptr) CHECK(hidInterfaces > 0);
    checkHubLookups(topology);
    checkDeviceLookups(topology);
    const WindowsVersionCode code = checkVersion(removal);

    // Any other code takes CM_Query_And_Remove_SubTreeA, which under Wine is a
    // stub that ends the process.
    if (code == kVistaOrLater) {
        TextTrace trace;
        const std::uint32_t status = safeRemoveDevice(removal, trace, 0x7FFF0001);
        const std::string traced = trace.lines.substr(0, trace.lines.find_last_not_of("\r\n") + 1);
        std::printf("safeRemoveDevice on a bogus device: 0x%08x, traced \"%s\"\n", static_cast<unsigned>(status),
                    traced.c_str());
        CHECK(trace.lines.rfind("Vista SafeRemove", 0) == 0);
        // Wine's eject does nothing and reports success; Windows refuses a device that is not there.
        if (wine != nullptr) CHECK(status == 0);
    } else {
        std::printf("safeRemoveDevice not called: version code %u\n", static_cast<unsigned>(code));
    }

    return wine_check::finish();
}
