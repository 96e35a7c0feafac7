// The real controller channel over the real Windows calls, run under Wine:
// Wine lists its own virtual HID devices and has no switch controller, so the
// channel must list, find nothing, stay closed and answer every call at once.

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "check.h"
#include "controller/hid_report_channel.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_device_interface_api.h"
#include "platform/win32/win32_hid_device_api.h"

using namespace pivora;

namespace {

// A closed channel is used from the window thread: nothing may wait on a device.
constexpr std::uint32_t kAtOnceMs = 50;

// The IDs a USB HID device's path names ("...vid_845e&pid_0001..."), if any.
bool idsInPath(const char* path, unsigned& vendorId, unsigned& productId) {
    char lower[HidReportChannel::kPathSize] = {};
    for (std::size_t i = 0; i + 1 < sizeof(lower) && path[i] != '\0'; ++i) {
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(path[i])));
    }
    const char* ids = std::strstr(lower, "vid_");
    return ids != nullptr && std::sscanf(ids, "vid_%4x&pid_%4x", &vendorId, &productId) == 2;
}

// Returns whether the switch controller is among the listed devices.
bool checkListing(HidReportChannel& channel, const char* wine, char* firstPath) {
    const int count = channel.enumerateDevices();
    std::printf("%d HID devices listed\n", count);
    CHECK(count >= 0 && count <= HidReportChannel::kMaxDevices);
    // Wine always provides its virtual devices: an empty list there is a broken walk.
    if (wine != nullptr) CHECK(count > 0);

    bool controllerListed = false;
    for (int index = 0; index < count; ++index) {
        char path[HidReportChannel::kPathSize];
        std::memset(path, 0x55, sizeof(path));
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        CHECK(channel.getDevice(index, path, &vendorId, &productId) == 1);
        const bool terminated = std::memchr(path, '\0', sizeof(path)) != nullptr;
        if (!CHECK(terminated && path[0] != '\0')) continue;
        std::printf("  [%d] %04x:%04x %s\n", index, vendorId, productId, path);

        // Read through HidD_GetAttributes, the IDs must be the ones the path names.
        unsigned pathVendorId = 0;
        unsigned pathProductId = 0;
        if (idsInPath(path, pathVendorId, pathProductId)) {
            CHECK(pathVendorId == vendorId && pathProductId == productId);
        }
        if (index == 0) std::memcpy(firstPath, path, sizeof(path));
        controllerListed = controllerListed || (vendorId == HidReportChannel::kControllerVendorId &&
                                                productId == HidReportChannel::kControllerProductId);
    }

    // Past the end (and before the start) a query clears everything it reports.
    for (const int outside : {count, -1, HidReportChannel::kMaxDevices}) {
        char path[HidReportChannel::kPathSize];
        std::memset(path, 0x55, sizeof(path));
        std::uint16_t vendorId = 0xFFFF;
        std::uint16_t productId = 0xFFFF;
        bool pathZero = true;
        const int found = channel.getDevice(outside, path, &vendorId, &productId);
        for (const char c : path) pathZero = pathZero && c == '\0';
        if (!CHECK(found == 0 && pathZero && vendorId == 0 && productId == 0)) std::printf("  index %d\n", outside);
    }
    return controllerListed;
}

// How long a cancelled read may take to end: Wine's take well over a second.
constexpr std::uint32_t kCancelledEndMs = 5000;

// The channel finds completed reads by testing its record's status words, which
// only works if Windows writes them into the record the seam passes as the
// OVERLAPPED. It frees a closed handle's records once they show that the read
// the platform took has ended, so a cancelled read must end there, however
// late, and the seam must tell a taken read from a refused one. Static: a read
// that never ends must still find its record.
IoRecord readRecord{};
std::uint8_t readBuffer[HidReportChannel::kMaxReportLength];

void checkOverlappedRead(HidDeviceApi& hid, Clock& clock, const char* path) {
    const OsHandle device = hid.openDevice(path, 1);
    if (!CHECK(device != nullptr)) return;
    readRecord.event = hid.createEvent();
    CHECK(readRecord.event != nullptr);
    readRecord.internal = kIssuing;  // a value Windows never writes there
    const bool taken = hid.readReport(device, readBuffer, sizeof(readBuffer), &readRecord) == 1 ||
                       hid.lastError() == kErrorIoPending;
    const auto status = static_cast<std::uint32_t>(readRecord.internal);
    if (!CHECK(taken && (status == kStatusPending || status == 0))) std::printf("  status 0x%08x\n", status);

    hid.cancelIo(device);
    hid.closeHandle(device);
    const std::uint32_t start = clock.tickCount();
    const auto pending = [] { return static_cast<std::uint32_t>(readRecord.internal) == kStatusPending; };
    while (pending() && clock.tickCount() - start < kCancelledEndMs) clock.sleep(10);
    const auto ended = static_cast<std::uint32_t>(readRecord.internal);
    std::printf("  the cancelled read ended with 0x%08x after %u ms\n", ended,
                static_cast<unsigned>(clock.tickCount() - start));
    CHECK(ended == 0 || isErrorStatus(ended));
    hid.closeHandle(readRecord.event);
}

struct TimedCall {
    const char* name;
    int (*call)(HidReportChannel&);
};

const TimedCall kClosedChannelCalls[] = {
    {"poll",
     [](HidReportChannel& channel) {
         std::uint8_t report[HidReportChannel::kMaxReportLength] = {};
         return channel.poll(report);
     }},
    {"pendingLength", [](HidReportChannel& channel) { return channel.pendingLength(); }},
    {"send",
     [](HidReportChannel& channel) {
         const std::uint8_t statusQuery[8] = {2, 0x5B};
         return channel.send(statusQuery, sizeof(statusQuery));
     }},
    {"cancelPending",
     [](HidReportChannel& channel) {
         channel.cancelPending();
         return 0;
     }},
};

void checkClosedChannel(HidReportChannel& channel, Clock& clock, const char* state) {
    CHECK(!channel.isOpen());
    channel.setReportLength(8);
    for (const TimedCall& timed : kClosedChannelCalls) {
        const std::uint32_t start = clock.tickCount();
        const int result = timed.call(channel);
        const std::uint32_t elapsed = clock.tickCount() - start;
        if (!CHECK(result == 0 && elapsed < kAtOnceMs)) {
            std::printf("  %s %s: %d after %u ms\n", state, timed.name, result, static_cast<unsigned>(elapsed));
        }
    }
}

}  // namespace

int main() {
    const char* wine = wine_check::start();

    Win32DeviceInterfaceApi interfaces;
    Win32HidDeviceApi hid;
    Win32Clock clock;
    DiagnosticTrace trace;

    HidReportChannel connected(interfaces, hid, clock, trace);
    char firstPath[HidReportChannel::kPathSize] = {};
    const bool controllerListed = checkListing(connected, wine, firstPath);
    if (firstPath[0] != '\0') checkOverlappedRead(hid, clock, firstPath);

    // Connecting opens the controller exactly when it is listed; never under Wine.
    if (wine != nullptr) CHECK(!controllerListed);
    CHECK(connected.connectController() == (controllerListed ? 1 : 0));
    CHECK(connected.isOpen() == controllerListed);
    if (!connected.isOpen()) checkClosedChannel(connected, clock, "after connectController");

    HidReportChannel fresh(interfaces, hid, clock, trace);
    checkClosedChannel(fresh, clock, "never opened");

    const char* const absentPaths[] = {
        "\\\\?\\hid#vid_04b4&pid_120d#0&0000&0&0#{4d1e55b2-f16f-11cf-88cb-001111000030}",
        "C:\\pivora-absent\\device",
        "",
    };
    HidReportChannel failedOpen(interfaces, hid, clock, trace);
    failedOpen.setReportLength(8);
    for (const char* path : absentPaths) {
        if (!CHECK(failedOpen.open(path) == 0 && !failedOpen.isOpen())) std::printf("  path \"%s\"\n", path);
    }
    checkClosedChannel(failedOpen, clock, "after a failed open");

    return wine_check::finish();
}
