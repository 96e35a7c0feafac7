// The real printer guard over the real spooler and registry calls, run under
// Wine: tools/run-wine-tests.sh imports tests/fixtures/usbprint.reg into the
// prefix, so the registry walk finds the fixture's printer; Wine has no print
// server here, so the spooler lists no printer and the veto lets every port go.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "check.h"
#include "control/switch_control.h"
#include "platform/win32/win32_platform.h"
#include "printer/printer_guard.h"

using namespace pivora;

namespace {

// The fixture's printer: USB001 belongs to 03F0:3D17.
constexpr std::uint16_t kFixtureVendorId = 0x03F0;
constexpr std::uint16_t kFixtureProductId = 0x3D17;
constexpr std::uint16_t kUntouched = 0xEEEE;
constexpr const char* kFixtureDevice = "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_03F0&PID_3D17\\CN0BV4S1Y2";

// The spooler and the registry answer at once when there is nothing to find.
constexpr DWORD kAtOnceMs = 1000;

// What the simulated registry promises, checked against the real calls: the
// native tests rely on the two answering alike.
void checkRegistrySeam(RegistryApi& registry) {
    OsHandle key = reinterpret_cast<OsHandle>(1);
    CHECK(registry.openLocalMachineKey("SYSTEM\\CurrentControlSet\\Enum\\PivoraAbsent", &key) == ERROR_FILE_NOT_FOUND);
    CHECK(key == nullptr);

    if (!CHECK(registry.openLocalMachineKey("system\\currentcontrolset\\enum\\usb", &key) == ERROR_SUCCESS)) {
        std::printf("  the fixture is not in the prefix\n");
        return;
    }
    char name[64];
    char className[64];
    std::uint32_t length = 5;
    std::uint32_t classLength = sizeof className;
    // "ROOT_HUB20" needs 11 characters with its terminator.
    const long small = registry.enumKey(key, 0, name, &length, className, &classLength);
    std::printf("enumKey into 5 characters: %ld, length %u\n", small, static_cast<unsigned>(length));
    CHECK(small == ERROR_MORE_DATA);
    length = sizeof name;
    classLength = sizeof className;
    CHECK(registry.enumKey(key, 0, name, &length, className, &classLength) == ERROR_SUCCESS);
    CHECK(std::strcmp(name, "ROOT_HUB20") == 0 && length == 10);
    // Subkeys come sorted by name, not in the order the file made them.
    length = sizeof name;
    CHECK(registry.enumKey(key, 1, name, &length, nullptr, nullptr) == ERROR_SUCCESS);
    CHECK(std::strcmp(name, "VID_03F0&PID_3D17") == 0);
    length = sizeof name;
    CHECK(registry.enumKey(key, 3, name, &length, nullptr, nullptr) == ERROR_NO_MORE_ITEMS);
    CHECK(registry.closeKey(key) == ERROR_SUCCESS);

    if (!CHECK(registry.openLocalMachineKey(kFixtureDevice, &key) == ERROR_SUCCESS)) return;
    std::uint8_t data[128];
    std::uint32_t type = 0;
    std::uint32_t size = 4;
    CHECK(registry.queryValue(key, "parentidprefix", &type, data, &size) == ERROR_MORE_DATA);
    CHECK(size == std::strlen("7&2f8e5c1a&0") + 1);
    size = sizeof data;
    CHECK(registry.queryValue(key, "ParentIdPrefix", &type, data, &size) == ERROR_SUCCESS);
    CHECK(type == REG_SZ && std::strcmp(reinterpret_cast<const char*>(data), "7&2f8e5c1a&0") == 0);
    // A multi-string of the UTF-16 file arrives as 8-bit text.
    size = sizeof data;
    CHECK(registry.queryValue(key, "HardwareID", &type, data, &size) == ERROR_SUCCESS);
    const std::string hardwareIds(reinterpret_cast<const char*>(data), size);
    CHECK(type == REG_MULTI_SZ &&
          hardwareIds == std::string("USB\\VID_03F0&PID_3D17&REV_0100\0USB\\VID_03F0&PID_3D17\0\0", 54));
    size = sizeof data;
    CHECK(registry.queryValue(key, "PivoraAbsent", &type, data, &size) == ERROR_FILE_NOT_FOUND);
    CHECK(registry.closeKey(key) == ERROR_SUCCESS);
}

void checkSpoolerSeam(SpoolerApi& spooler) {
    std::uint32_t needed = 0xFFFFFFFF;
    std::uint32_t returned = 0xFFFFFFFF;
    const int listed = spooler.enumLocalPrinters(nullptr, 0, &needed, &returned);
    std::printf("enumLocalPrinters with no buffer: %d, needed %u, returned %u\n", listed, static_cast<unsigned>(needed),
                static_cast<unsigned>(returned));
    CHECK(listed == 1 && needed == 0 && returned == 0);

    OsHandle printer = reinterpret_cast<OsHandle>(1);
    CHECK(spooler.openPrinter("Pivora absent printer", kPrinterAccessUse, &printer) == 0);
    CHECK(printer == nullptr);
}

void checkPortMapping(PrinterGuard& guard) {
    struct Case {
        const char* port;
        int result;
        std::uint16_t vendorId;
        std::uint16_t productId;
    };
    const Case cases[] = {
        {"USB001", 1, kFixtureVendorId, kFixtureProductId},
        {"usb001", 1, kFixtureVendorId, kFixtureProductId},
        {"USB002", 0, kUntouched, kUntouched},  // a stale instance whose device is gone
        {"USB009", 0, kUntouched, kUntouched},
    };
    for (const Case& c : cases) {
        std::uint16_t vendorId = kUntouched;
        std::uint16_t productId = kUntouched;
        const DWORD start = GetTickCount();
        const int result = guard.mapPortToUsbId(c.port, &vendorId, &productId);
        const DWORD elapsed = GetTickCount() - start;
        std::printf("mapPortToUsbId(%s): %d, %04X:%04X in %lu ms\n", c.port, result, vendorId, productId,
                    static_cast<unsigned long>(elapsed));
        CHECK(result == c.result && vendorId == c.vendorId && productId == c.productId);
        CHECK(elapsed < kAtOnceMs);
    }
}

}  // namespace

int main() {
    wine_check::start();

    DiagnosticTrace trace;
    Win32Platform real(trace);
    Platform& platform = real.platform;
    PrinterGuard guard(platform.spooler, platform.registry);

    checkRegistrySeam(platform.registry);
    checkSpoolerSeam(platform.spooler);
    checkPortMapping(guard);

    DWORD start = GetTickCount();
    const int printers = guard.countPrinters();
    DWORD elapsed = GetTickCount() - start;
    std::printf("countPrinters: %d in %lu ms\n", printers, static_cast<unsigned long>(elapsed));
    CHECK(printers == 0);
    CHECK(elapsed < kAtOnceMs);

    SwitchControl control(platform, [](const PanelState&) {}, [](const Command&) {});
    control.controllerOpen = 1;
    control.hubReady = 1;
    control.hubKind = FourPort;
    std::strcpy(control.hubName.data(), "USB#ROOT_HUB20#4&pivora-absent&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}");
    start = GetTickCount();
    const std::uint8_t granted = control.vetoPrinterPorts(0x0F);
    elapsed = GetTickCount() - start;
    std::printf("vetoPrinterPorts(0x0F): 0x%02X in %lu ms\n", granted, static_cast<unsigned long>(elapsed));
    CHECK(granted == 0x0F);
    CHECK(elapsed < kAtOnceMs);

    return wine_check::finish();
}
