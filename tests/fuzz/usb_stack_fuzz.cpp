// The USB stack against a lying operating system: device-interface sets,
// hub I/O controls, removal calls and the Windows version all answer from the
// fuzz input, and the hub locator, the port queries, the device lookup and
// safe removal must stay inside the buffers they own and give sane results.
//
// Input: a series of operations, each [operation][its arguments], then the
// answers of the seams in the order the operation asks them (see each fake).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "adversary.h"
#include "answering_hubs.h"
#include "fuzz_input.h"
#include "platform/device_interface_api.h"
#include "platform/device_removal_api.h"
#include "platform/diagnostic_trace.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"
#include "usb/windows_version.h"

namespace pivora::fuzz {
namespace {

// Input: getClassDevs [ok]; enumInterface [ok]; the size query [required u16];
// the detail [ok][fill][devInst u32 when a device is asked for];
// getDeviceRegistryProperty [ok][fill].
class AnsweringInterfaces : public DeviceInterfaceApi {
public:
    explicit AnsweringInterfaces(FuzzInput& input) : input_(input) {}

    bool allClosed() const { return sets_.allClosed(); }
    int setsAsked() const { return setsAsked_; }

    OsHandle getClassDevs(DeviceInterfaceClass, std::uint32_t) override {
        ++setsAsked_;
        return input_.flag() ? sets_.open() : nullptr;
    }

    int enumInterface(OsHandle set, DeviceInterfaceClass, std::uint32_t, DeviceInterfaceRecord* record) override {
        require(sets_.isOpen(set), "interfaces of an open set");
        require(record != nullptr && record->cbSize == sizeof(DeviceInterfaceRecord), "interface record sized");
        return input_.flag() ? 1 : 0;
    }

    int getInterfaceDetail(OsHandle set, const DeviceInterfaceRecord* record, std::uint8_t* detail,
                           std::uint32_t detailSize, std::uint32_t* requiredSize, DeviceInfoRecord* device) override {
        require(sets_.isOpen(set) && record != nullptr, "the detail of an interface of an open set");
        if (detail == nullptr) {
            require(detailSize == 0, "the size query has no buffer");
            if (requiredSize != nullptr) *requiredSize = input_.u16();
            return 0;
        }
        require(detailSize > kInterfaceDetailPathOffset, "a detail record has room for a path");
        std::uint32_t cbSize = 0;
        std::memcpy(&cbSize, detail, sizeof cbSize);
        require(cbSize == kInterfaceDetailCbSize, "the detail record's size word is the platform's");
        const int succeeded = input_.flag() ? 1 : 0;
        fillFrom(input_, detail + kInterfaceDetailPathOffset, detailSize - kInterfaceDetailPathOffset);
        if (device != nullptr) {
            require(device->cbSize == sizeof(DeviceInfoRecord), "device record sized");
            device->devInst = input_.u32();
        }
        return succeeded;
    }

    int getDeviceRegistryProperty(OsHandle set, const DeviceInfoRecord* record, std::uint32_t property,
                                  std::uint8_t* buffer, std::uint32_t size) override {
        require(sets_.isOpen(set) && record != nullptr && buffer != nullptr, "a property of a device of an open set");
        require(property == kSpdrpDeviceDesc || property == kSpdrpDriver, "a property Pivora reads");
        const int succeeded = input_.flag() ? 1 : 0;
        fillFrom(input_, buffer, size);
        return succeeded;
    }

    int destroyDeviceInfoList(OsHandle set) override {
        sets_.close(set, "a set released once, after it was made");
        return 1;
    }

private:
    FuzzInput& input_;
    HandleLedger sets_{0x20000};
    int setsAsked_ = 0;
};

// Input: getVersionEx [outcome][fill unless not found]; each removal call
// [fill veto name][veto type u32][status u32].
class AnsweringRemoval : public DeviceRemovalApi {
public:
    explicit AnsweringRemoval(FuzzInput& input) : input_(input) {}

    std::uint32_t requestDeviceEject(std::uint32_t, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t) override {
        return answer(vetoType, vetoName, nameLength);
    }
    std::uint32_t queryAndRemoveSubTree(std::uint32_t, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t) override {
        return answer(vetoType, vetoName, nameLength);
    }
    int getVersionEx(std::uint8_t* record) override {
        require(record != nullptr, "a version record");
        std::uint32_t size = 0;
        std::memcpy(&size, record + osversion::kSizeOffset, sizeof size);
        require(size == osversion::kSize, "the version record's size field is set");
        const int outcome = static_cast<int>(input_.below(3)) - 1;  // not found, failed, succeeded
        if (outcome >= 0) fillFrom(input_, record, osversion::kSize);
        return outcome;
    }

private:
    std::uint32_t answer(std::uint32_t* vetoType, char* vetoName, std::uint32_t nameLength) {
        require(vetoType != nullptr && vetoName != nullptr && nameLength > 0, "room for a veto");
        fillFrom(input_, reinterpret_cast<std::uint8_t*>(vetoName), nameLength);
        *vetoType = input_.u32();
        return input_.u32();
    }

    FuzzInput& input_;
};

constexpr std::size_t kNameSize = UsbTopology::kNameSize;
constexpr std::size_t kDescriptionSize = UsbTopology::kDescriptionSize;
constexpr char kUntouched = '\x5A';
// Names come out of a 254-byte conversion, terminator included.
constexpr std::size_t kLongestName = UsbTopology::kNameConversionLimit - 1;

bool untouched(const char* text, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        if (text[i] != kUntouched) return false;
    return true;
}

// A hub name as the caller holds it: terminated within its 256 bytes.
struct HubNameArgument {
    explicit HubNameArgument(FuzzInput& input) {
        const std::vector<std::uint8_t> taken = input.bytes(kNameSize - 1);
        if (!taken.empty()) std::memcpy(text, taken.data(), taken.size());
    }
    char text[kNameSize] = {};
};

class UsbStackRun {
public:
    UsbStackRun(const std::uint8_t* data, std::size_t size)
        : input_(data, size), interfaces_(input_), hubs_(input_), removal_(input_), topology_(interfaces_, hubs_) {}

    void run() {
        for (int operation = 0; operation < kMaxOperations && !input_.empty(); ++operation) {
            switch (input_.below(8)) {
                case 0: locate(); break;
                case 1: portCount(); break;
                case 2: queryPort(); break;
                case 3: downstreamName(); break;
                case 4: findPresent(); break;
                case 5: findKnown(); break;
                case 6: removeSafely(); break;
                default: findOnPort(); break;
            }
            require(interfaces_.allClosed(), "every device-interface set released");
            require(hubs_.allClosed(), "every controller and hub closed");
        }
    }

private:
    static constexpr int kMaxOperations = 8;

    void locate() {
        const std::uint16_t vendorId = input_.u16();
        const std::uint16_t productId = input_.u16();
        char name[kNameSize];
        std::memset(name, kUntouched, sizeof name);
        const int found = topology_.locateHub(vendorId, productId, name);
        require(strnlen(name, kNameSize) <= kLongestName, "the hub's name is terminated and fits the conversion");
        require(found == (name[0] != '\0' ? 1 : 0), "found exactly when a name came back");
    }

    void portCount() {
        const HubNameArgument hub(input_);
        std::uint32_t count = 0xDEAD;
        const int result = topology_.getHubPortCount(hub.text, &count);
        require(count <= 255 && (result == 1 || count == 0), "a port count is one byte, 0 on failure");
    }

    void queryPort() {
        const HubNameArgument hub(input_);
        const int port = static_cast<std::int16_t>(input_.u16());
        std::uint16_t vendorId = 0xDEAD;
        std::uint16_t productId = 0xDEAD;
        std::uint32_t isHub = 0xDEAD;
        const int result = topology_.queryHubPort(hub.text, port, &vendorId, &productId, &isHub);
        require(isHub <= 1, "the hub flag is 0 or 1");
        require(result == 1 || (vendorId == 0 && productId == 0 && isHub == 0), "an empty port reads as zeros");
    }

    void downstreamName() {
        const HubNameArgument hub(input_);
        const int port = static_cast<std::int16_t>(input_.u16());
        char name[kNameSize];
        std::memset(name, kUntouched, sizeof name);
        if (topology_.getDownstreamHubName(hub.text, port, name) == 1)
            require(strnlen(name, kNameSize) <= kLongestName, "a downstream hub's name is terminated");
        else
            require(untouched(name, sizeof name), "no hub on the port leaves the name alone");
    }

    void findPresent() {
        const std::uint16_t vendorId = input_.u16();
        const std::uint16_t productId = input_.u16();
        const bool wantsInstance = input_.flag();
        const bool wantsDescription = input_.flag();
        std::uint32_t devInst = 0xDEADBEEF;
        char description[kDescriptionSize];
        std::memset(description, kUntouched, sizeof description);
        const int found = topology_.findPresentDevice(vendorId, productId, wantsInstance ? &devInst : nullptr,
                                                      wantsDescription ? description : nullptr);
        if (wantsInstance && found == 0) require(devInst == 0, "no device, no instance");
        checkDescription(found, description);
    }

    void findKnown() {
        const std::uint16_t vendorId = input_.u16();
        const std::uint16_t productId = input_.u16();
        char description[kDescriptionSize];
        std::memset(description, kUntouched, sizeof description);
        const int setsBefore = interfaces_.setsAsked();
        const int found = topology_.findKnownDevice(vendorId, productId, description);
        if (vendorId == 0 && productId == 0) {
            require(found == 0 && description[0] == '\0', "(0, 0) is no device");
            require(interfaces_.setsAsked() == setsBefore, "(0, 0) is refused without asking the platform");
            return;
        }
        checkDescription(found, description);
    }

    static void checkDescription(int found, const char* description) {
        // Unread, it stays as the caller had it; read, it ends within its buffer.
        require(found == 1 || untouched(description, kDescriptionSize), "no device leaves the description alone");
        require(untouched(description, kDescriptionSize) || terminatedWithin(description, kDescriptionSize),
                "a description is terminated within its buffer");
    }

    void findOnPort() {
        const HubNameArgument hub(input_);
        const int port = static_cast<std::int16_t>(input_.u16());
        const std::uint16_t vendorId = input_.u16();
        const std::uint16_t productId = input_.u16();
        std::uint32_t devInst = 0xDEADBEEF;
        const int setsBefore = interfaces_.setsAsked();
        const int found = topology_.findDeviceOnHubPort(hub.text, port, vendorId, productId, &devInst);
        require(found == 1 || devInst == 0, "no device, no instance");
        if (port < 0 || port > 254) require(found == 0 && interfaces_.setsAsked() == setsBefore, "no such port");
    }

    void removeSafely() {
        const std::uint32_t devInst = input_.u32();
        const WindowsVersionCode version = classifyWindowsVersion(removal_);
        require(version <= kVistaOrLater, "a version code is 0 to 7");
        DiagnosticTrace discarded;
        safeRemoveDevice(removal_, discarded, devInst);
    }

    FuzzInput input_;
    AnsweringInterfaces interfaces_;
    AnsweringHubs hubs_;
    AnsweringRemoval removal_;
    UsbTopology topology_;
};

}  // namespace
}  // namespace pivora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pivora::fuzz::UsbStackRun(data, size).run();
    return 0;
}
