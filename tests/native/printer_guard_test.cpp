#include "printer/printer_guard.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_registry.h"
#include "sim/sim_spooler.h"

namespace pivora::test {
namespace {

using sim::SimRegistry;
using sim::SimSpooler;

const std::string kUsbPrint = "SYSTEM\\CurrentControlSet\\Enum\\USBPRINT";
const std::string kUsb = "SYSTEM\\CurrentControlSet\\Enum\\USB";

// A printer instance under USBPRINT that owns `port`.
void printInstance(SimRegistry& registry, const std::string& model, const std::string& instance,
                   const std::string& port) {
    registry.setString(kUsbPrint + "\\" + model + "\\" + instance + "\\Device Parameters", "PortName", port);
}

// A USB device instance whose children are named after `prefix`.
void usbInstance(SimRegistry& registry, const std::string& deviceKey, const std::string& instance,
                 const std::string& prefix) {
    registry.setString(kUsb + "\\" + deviceKey + "\\" + instance, "ParentIdPrefix", prefix);
}

// The names of a key's subkeys, in enumeration order.
std::vector<std::string> subkeys(SimRegistry& registry, const std::string& path) {
    std::vector<std::string> names;
    OsHandle key = nullptr;
    if (registry.openLocalMachineKey(path.c_str(), &key) != kRegistrySuccess) return names;
    char name[256];
    std::uint32_t length = sizeof name;
    for (std::uint32_t index = 0; registry.enumKey(key, index, name, &length, nullptr, nullptr) == kRegistrySuccess;
         ++index, length = sizeof name)
        names.emplace_back(name);
    registry.closeKey(key);
    return names;
}

// The usual pair: an HP printer on USB001 whose USB device is 03F0:3D17.
void laserJetOnUsb001(SimRegistry& registry) {
    printInstance(registry, "Hewlett-PackardHP_La8C87", "7&2f8e5c1a&0&USB001", "USB001");
    usbInstance(registry, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
}

// Keys that sort before the usual pair's, so the walk meets them first
// however late they are made.
const std::string kCanonModel = "CanonMP280_series4C2B";
const std::string kEarlierDevice = "VID_03EB&PID_2044";

// What mapPortToUsbId gives.
struct Mapped {
    int result;
    std::uint16_t vendorId;
    std::uint16_t productId;
    bool operator==(const Mapped& other) const {
        return result == other.result && vendorId == other.vendorId && productId == other.productId;
    }
};

void PrintTo(const Mapped& m, std::ostream* os) {
    *os << "{result " << m.result << ", " << std::hex << m.vendorId << ":" << m.productId << "}";
}

// Outputs that are written only on success keep this.
constexpr std::uint16_t kUntouched = 0xEEEE;
const Mapped kNotFound{0, kUntouched, kUntouched};

class Guard : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(spooler.allReleased())
            << spooler.printersOpen() << " printers open, " << spooler.badReleases() << " bad releases";
        EXPECT_TRUE(registry.allReleased())
            << registry.keysOpen() << " keys open, " << registry.badReleases() << " bad releases";
    }

    Mapped map(const char* port) {
        Mapped mapped{-1, kUntouched, kUntouched};
        mapped.result = guard.mapPortToUsbId(port, &mapped.vendorId, &mapped.productId);
        return mapped;
    }

    SimSpooler spooler;
    SimRegistry registry;
    PrinterGuard guard{spooler, registry};
};

// ---- mapPortToUsbId over registry layouts.

struct RegistryCase {
    const char* name;
    std::function<void(SimRegistry&)> setUp;
    const char* port;
    Mapped expected;
};

void PrintTo(const RegistryCase& c, std::ostream* os) { *os << c.name; }

class PortToUsbId : public Guard, public ::testing::WithParamInterface<RegistryCase> {};

TEST_P(PortToUsbId, FirstMatchAtEachStageDecides) {
    GetParam().setUp(registry);
    EXPECT_EQ(map(GetParam().port), GetParam().expected);
}

const std::string kLongPrefix = "7&2f8e5c1a&" + std::string(60, '0');  // its printers' names: 78 characters
const std::string kLongDeviceKey = "VID_03F0&PID_3D17&" + std::string(60, 'y');

INSTANTIATE_TEST_SUITE_P(
    Layouts, PortToUsbId,
    ::testing::Values(
        RegistryCase{"PrinterOnItsPort", laserJetOnUsb001, "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"PortNameInAnyCase", laserJetOnUsb001, "usb001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"UnknownPort", laserJetOnUsb001, "USB007", kNotFound},
        RegistryCase{"SeveralPortsInOneName", laserJetOnUsb001, "USB001,USB002", kNotFound},
        RegistryCase{"NoUsbPrintKey", [](SimRegistry& r) { usbInstance(r, "VID_03F0&PID_3D17", "S", "7&2f"); },
                     "USB001", kNotFound},
        RegistryCase{"NoUsbKey",
                     [](SimRegistry& r) { printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001"); }, "USB001",
                     kNotFound},
        RegistryCase{"ParentNotFound",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_046D&PID_C077", "5&1f3e9a2&0&2", "6&3b6c1d4e&0");
                     },
                     "USB001", kNotFound},
        // A stale instance in another model still names the port; the model
        // first by name decides, not the one made first.
        RegistryCase{"FirstModelByNameOfTwoOnThePort",
                     [](SimRegistry& r) {
                         laserJetOnUsb001(r);
                         printInstance(r, kCanonModel, "7&11111111&0&USB001", "USB001");
                         usbInstance(r, "VID_04A9&PID_1746", "OLD", "7&11111111&0");
                     },
                     "USB001", {1, 0x04A9, 0x1746}},
        RegistryCase{"FirstInstanceByNameOfTwoInOneModel",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         printInstance(r, "HP", "7&11111111&0&USB001", "USB001");
                         usbInstance(r, "VID_0A5F&PID_0080", "OLD", "7&11111111&0");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x0A5F, 0x0080}},
        RegistryCase{"FirstDeviceKeyByNameOfTwoMatching",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_1111&PID_2222", "A", "7&2f8e5c1a&0");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"LaterInstanceOfADeviceKey",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "FIRST", "9&0c0c0c0c&0");
                         usbInstance(r, "VID_03F0&PID_3D17", "SECOND", "7&2f8e5c1a&0");
                         usbInstance(r, "VID_1111&PID_2222", "A", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        // A device without children has an empty prefix: it is nobody's parent.
        RegistryCase{"EmptyPrefixMatchesNoInstance",
                     [](SimRegistry& r) {
                         laserJetOnUsb001(r);
                         usbInstance(r, kEarlierDevice, "6&1a2b3c4d&0&1", "");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        // Not even of a name that begins with the "&" an empty prefix ends with.
        RegistryCase{"OnlyAnEmptyPrefix",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "&0&USB001", "USB001");
                         usbInstance(r, kEarlierDevice, "6&1a2b3c4d&0&1", "");
                     },
                     "USB001", kNotFound},
        // The prefix must end where the printer's own part begins, at an "&".
        RegistryCase{"PrefixOfTheParentsPrefix",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c11&0&USB001", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c11&0");
                         usbInstance(r, kEarlierDevice, "6&1a2b3c4d&0&1", "7&2f8e5c1");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"PrefixIsTheWholeName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"PrefixIsCaseSensitive",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2F8E5C1A&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"PrefixLongerThanTheName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        // The search ends at the first device whose prefix matches, ID or not.
        RegistryCase{"RootHubMatchingFirstGivesNoId",
                     [](SimRegistry& r) {
                         usbInstance(r, "ROOT_HUB20", "4&2a1b7c3d&0", "7&2f8e5c1a");
                         laserJetOnUsb001(r);
                     },
                     "USB001", kNotFound},
        RegistryCase{"KeyNameWithoutPid",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_03F0", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"PidNotAtPosition9",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_3F0&PID_3D17", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"KeyNameCutShort",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"UpperCaseKeyName", laserJetOnUsb001, "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"MixedCaseKeyName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "Vid_04b4&Pid_120d", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x04B4, 0x120D}},
        RegistryCase{"LowerCaseKeyName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "vid_04b4&pid_120d&mi_00", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x04B4, 0x120D}},
        // Names of 64 characters or more are held whole: each is opened again by name.
        RegistryCase{"LongPrinterInstanceName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", kLongPrefix + "&USB001", "USB001");
                         usbInstance(r, "VID_03F0&PID_3D17", "S", kLongPrefix);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"LongDeviceKeyName",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, kLongDeviceKey, "S", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"PortNameNotText",
                     [](SimRegistry& r) {
                         const std::string port = "USB001";
                         r.setValue(kUsbPrint + "\\HP\\7&2f8e5c1a&0&USB001\\Device Parameters", "PortName",
                                    SimRegistry::kRegBinary, std::vector<std::uint8_t>(port.begin(), port.end() + 1));
                         usbInstance(r, "VID_03F0&PID_3D17", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", kNotFound},
        RegistryCase{"PrefixNotText",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         const std::string prefix = "7&2f8e5c1a&0";
                         r.setValue(kUsb + "\\" + kEarlierDevice + "\\S", "ParentIdPrefix", SimRegistry::kRegBinary,
                                    std::vector<std::uint8_t>(prefix.begin(), prefix.end() + 1));
                         usbInstance(r, "VID_03F0&PID_3D17", "S", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"ExpandStringCountsAsText",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         const std::string prefix = "7&2f8e5c1a&0";
                         r.setValue(kUsb + "\\VID_03F0&PID_3D17\\S", "ParentIdPrefix", kRegExpandString,
                                    std::vector<std::uint8_t>(prefix.begin(), prefix.end()));
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"ValuesStoredWithoutTerminator",
                     [](SimRegistry& r) {
                         r.setString(kUsbPrint + "\\HP\\7&2f8e5c1a&0&USB001\\Device Parameters", "PortName",
                                     "USB001", false);
                         r.setString(kUsb + "\\VID_03F0&PID_3D17\\S", "ParentIdPrefix", "7&2f8e5c1a&0", false);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        // The whole 1024-byte buffer filled, no terminator: read within it, matching nothing.
        RegistryCase{"UnterminatedValuesFillingTheBuffer",
                     [](SimRegistry& r) {
                         r.setString(kUsbPrint + "\\Filled\\7&0a0a0a0a&0&USB001\\Device Parameters", "PortName",
                                     "USB001" + std::string(1018, ' '), false);
                         usbInstance(r, "VID_0A5F&PID_0080", "OLD", "7&0a0a0a0a&0");
                         r.setString(kUsb + "\\" + kEarlierDevice + "\\S", "ParentIdPrefix",
                                     "7&2f8e5c1a&0" + std::string(1012, '&'), false);
                         laserJetOnUsb001(r);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"ValueLongerThanTheBuffer",
                     [](SimRegistry& r) {
                         printInstance(r, "A", "7&2f8e5c1a&0&USB001", "USB001" + std::string(2000, ' '));
                         laserJetOnUsb001(r);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        // Keys that cannot be opened are passed over at every level.
        RegistryCase{"UsbPrintCannotBeOpened",
                     [](SimRegistry& r) {
                         laserJetOnUsb001(r);
                         r.failOpen(kUsbPrint);
                     },
                     "USB001", kNotFound},
        RegistryCase{"UsbCannotBeOpened",
                     [](SimRegistry& r) {
                         laserJetOnUsb001(r);
                         r.failOpen(kUsb);
                     },
                     "USB001", kNotFound},
        RegistryCase{"ModelCannotBeOpened",
                     [](SimRegistry& r) {
                         printInstance(r, kCanonModel, "7&11111111&0&USB001", "USB001");
                         r.failOpen(kUsbPrint + "\\" + kCanonModel);
                         laserJetOnUsb001(r);
                         usbInstance(r, "VID_04A9&PID_1746", "OLD", "7&11111111&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"DeviceParametersCannotBeOpened",
                     [](SimRegistry& r) {
                         printInstance(r, "HP", "7&11111111&0&USB001", "USB001");
                         r.failOpen(kUsbPrint + "\\HP\\7&11111111&0&USB001\\Device Parameters");
                         printInstance(r, "HP", "7&2f8e5c1a&0&USB001", "USB001");
                         usbInstance(r, "VID_0A5F&PID_0080", "OLD", "7&11111111&0");
                         usbInstance(r, "VID_03F0&PID_3D17", "CN0BV4S1Y2", "7&2f8e5c1a&0");
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"DeviceKeyCannotBeOpened",
                     [](SimRegistry& r) {
                         usbInstance(r, kEarlierDevice, "A", "7&2f8e5c1a&0");
                         r.failOpen(kUsb + "\\" + kEarlierDevice);
                         laserJetOnUsb001(r);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        RegistryCase{"DeviceInstanceCannotBeOpened",
                     [](SimRegistry& r) {
                         usbInstance(r, kEarlierDevice, "A", "7&2f8e5c1a&0");
                         r.failOpen(kUsb + "\\" + kEarlierDevice + "\\A");
                         laserJetOnUsb001(r);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}},
        // The numbered set this boot does not use keeps an older mapping.
        RegistryCase{"CurrentControlSetOnly",
                     [](SimRegistry& r) {
                         const std::string other = "SYSTEM\\ControlSet001\\Enum\\";
                         r.setString(other + "USBPRINT\\HP\\7&2f8e5c1a&0&USB001\\Device Parameters", "PortName",
                                     "USB001");
                         r.setString(other + "USB\\VID_0A5F&PID_0080\\OLD", "ParentIdPrefix", "7&2f8e5c1a&0");
                         laserJetOnUsb001(r);
                     },
                     "USB001", {1, 0x03F0, 0x3D17}}),
    [](const ::testing::TestParamInfo<RegistryCase>& c) { return std::string(c.param.name); });

TEST_F(Guard, WalkEndsAtTheFirstMatch) {
    laserJetOnUsb001(registry);
    printInstance(registry, "Later", "7&2f8e5c1a&0&USB001", "USB001");
    usbInstance(registry, "VID_1111&PID_2222", "LATER", "7&2f8e5c1a&0");
    ASSERT_EQ(map("USB001"), (Mapped{1, 0x03F0, 0x3D17}));
    for (const std::string& path : registry.openedPaths()) {
        EXPECT_EQ(path.find("Later"), std::string::npos) << path;
        EXPECT_EQ(path.find("VID_1111"), std::string::npos) << path;
    }
}

// ---- The printer list: which printers sit on a USB printer port.

struct PortCase {
    const char* name;
    const char* port;
    int isUsbPort;
    int hasUsbId;  // USB001 is mapped in the registry
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << c.name << " \"" << c.port << "\""; }

class PrinterPort : public Guard, public ::testing::WithParamInterface<PortCase> {};

TEST_P(PrinterPort, OnlyUsbPortsLeadToAUsbId) {
    const PortCase& c = GetParam();
    laserJetOnUsb001(registry);
    spooler.addPrinter("Office printer", c.port);

    char port[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getUsbPrinterPort(0, port, sizeof port), c.isUsbPort);
    EXPECT_STREQ(port, c.isUsbPort ? c.port : "untouched");

    char name[PrinterGuard::kNameSize];
    std::uint16_t vendorId = kUntouched;
    std::uint16_t productId = kUntouched;
    EXPECT_EQ(guard.getPrinterUsbId(0, name, &vendorId, &productId), c.hasUsbId);
    if (c.hasUsbId) {
        EXPECT_STREQ(name, "Office printer");
        EXPECT_EQ(vendorId, 0x03F0);
        EXPECT_EQ(productId, 0x3D17);
    } else {
        EXPECT_EQ(vendorId, 0);
        EXPECT_EQ(productId, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PrinterPort,
    ::testing::Values(PortCase{"UpperCase", "USB001", 1, 1}, PortCase{"LowerCase", "usb001", 1, 1},
                      PortCase{"MixedCase", "uSb001", 1, 1}, PortCase{"UsbPortWithoutInstance", "USB003", 1, 0},
                      PortCase{"SeveralPorts", "USB001,USB002", 1, 0}, PortCase{"Parallel", "LPT1:", 0, 0},
                      PortCase{"Network", "IP_192.168.1.20", 0, 0}, PortCase{"FilePort", "FILE:", 0, 0},
                      PortCase{"TooShort", "US", 0, 0}, PortCase{"Empty", "", 0, 0}),
    [](const ::testing::TestParamInfo<PortCase>& c) { return std::string(c.param.name); });

TEST_F(Guard, UsbIdIsTheIndexedPrintersAndNamesItOnlyOnSuccess) {
    laserJetOnUsb001(registry);
    spooler.addPrinter("Label printer", "LPT1:");
    spooler.addPrinter("HP LaserJet Professional P1102", "USB001");
    EXPECT_EQ(guard.countPrinters(), 2);

    char name[PrinterGuard::kNameSize] = "untouched";
    std::uint16_t vendorId = kUntouched;
    std::uint16_t productId = kUntouched;
    ASSERT_EQ(guard.getPrinterUsbId(1, name, &vendorId, &productId), 1);
    EXPECT_STREQ(name, "HP LaserJet Professional P1102");
    EXPECT_EQ(vendorId, 0x03F0);
    EXPECT_EQ(productId, 0x3D17);

    for (std::uint32_t index : {0u, 2u, 99u}) {
        std::strcpy(name, "untouched");
        vendorId = productId = kUntouched;
        EXPECT_EQ(guard.getPrinterUsbId(index, name, &vendorId, &productId), 0) << index;
        EXPECT_EQ(vendorId, 0) << index;
        EXPECT_EQ(productId, 0) << index;
        EXPECT_EQ(name[0], '\0') << index;
    }
}

// A name cut to fit would be another printer's name, or none.
TEST_F(Guard, NamesThatDoNotFitAreNotCopied) {
    laserJetOnUsb001(registry);
    const std::string longName(300, 'P');
    spooler.addPrinter(longName, "USB001", 2);
    spooler.addPrinter("Other", "USB" + std::string(300, '1'));

    char buffer[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(0, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(guard.getUsbPrinterPort(1, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    std::uint16_t vendorId = kUntouched;
    std::uint16_t productId = kUntouched;
    EXPECT_EQ(guard.getPrinterUsbId(0, buffer, &vendorId, &productId), 0);

    // The job query reads the name into its 32768-byte buffer, where it fits.
    std::uint32_t jobs = 99;
    EXPECT_EQ(guard.getPrinterJobs(0, &jobs), 1);
    EXPECT_EQ(jobs, 1u);
    ASSERT_EQ(spooler.openCalls().size(), 1u);
    EXPECT_EQ(spooler.openCalls()[0].name, longName);
}

// ---- Queued jobs.

struct JobsCase {
    const char* name;
    std::uint32_t queued;
    bool openFails;
    int result;
    std::uint32_t jobCount;
};

void PrintTo(const JobsCase& c, std::ostream* os) { *os << c.name; }

class PrinterJobs : public Guard, public ::testing::WithParamInterface<JobsCase> {};

TEST_P(PrinterJobs, CountIsZeroOrOne) {
    const JobsCase& c = GetParam();
    spooler.addPrinter("Fax", "SHRFAX:");
    spooler.printer(spooler.addPrinter("HP LaserJet", "USB001", c.queued)).openFails = c.openFails;
    std::uint32_t jobs = 99;
    EXPECT_EQ(guard.getPrinterJobs(1, &jobs), c.result);
    EXPECT_EQ(jobs, c.jobCount);
    ASSERT_EQ(spooler.openCalls().size(), 1u);
    EXPECT_EQ(spooler.openCalls()[0].name, "HP LaserJet");
    EXPECT_EQ(spooler.openCalls()[0].desiredAccess, 0x8u) << "PRINTER_ACCESS_USE, all an unelevated user gets";
    EXPECT_EQ(spooler.enumJobsCalls(), c.openFails ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Queues, PrinterJobs,
                         ::testing::Values(JobsCase{"NoJob", 0, false, 1, 0}, JobsCase{"OneJob", 1, false, 1, 1},
                                           JobsCase{"SeveralJobs", 7, false, 1, 1},
                                           JobsCase{"CannotBeOpened", 3, true, 0, 0}),
                         [](const ::testing::TestParamInfo<JobsCase>& c) { return std::string(c.param.name); });

TEST_F(Guard, NoPrinterAtTheIndexHasNoJobs) {
    spooler.addPrinter("HP LaserJet", "USB001", 4);
    std::uint32_t jobs = 99;
    EXPECT_EQ(guard.getPrinterJobs(1, &jobs), 0);
    EXPECT_EQ(jobs, 0u);
    EXPECT_TRUE(spooler.openCalls().empty());
}

// ---- A spooler that cannot list, or lists badly.

TEST_F(Guard, UnavailableSpoolerListsNothing) {
    laserJetOnUsb001(registry);
    spooler.addPrinter("HP LaserJet", "USB001", 2);
    spooler.setUnavailable(true);
    EXPECT_EQ(guard.countPrinters(), 0);
    char name[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(0, name, sizeof name), 0);
    std::uint16_t vendorId = kUntouched;
    std::uint16_t productId = kUntouched;
    EXPECT_EQ(guard.getPrinterUsbId(0, name, &vendorId, &productId), 0);
    EXPECT_EQ(vendorId, 0);
    std::uint32_t jobs = 99;
    EXPECT_EQ(guard.getPrinterJobs(0, &jobs), 0);
    EXPECT_EQ(jobs, 0u);
}

TEST_F(Guard, EmptyListIsZeroPrinters) {
    EXPECT_EQ(guard.countPrinters(), 0);
    char name[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(0, name, sizeof name), 0);
}

TEST_F(Guard, RecordCountBeyondTheBufferIsNotBelieved) {
    spooler.addPrinter("HP LaserJet", "USB001");
    spooler.addPrinter("Canon MP280", "USB002");
    spooler.addPrinter(std::string(400, 'Q'), "USB003");  // room for a few more records' worth of text
    spooler.setReturnedCount(1000);
    const int count = guard.countPrinters();
    EXPECT_GT(count, 3);
    EXPECT_LT(count, 1000);
    char name[PrinterGuard::kNameSize];
    ASSERT_EQ(guard.getPrinterName(1, name, sizeof name), 1);
    EXPECT_STREQ(name, "Canon MP280");
    // Whatever lies past the real records is text, not pointers into the buffer.
    for (int index = 3; index < count; ++index)
        EXPECT_EQ(guard.getPrinterName(static_cast<std::uint32_t>(index), name, sizeof name), 0) << index;
}

TEST_F(Guard, RecordCountBelowTheTruthHidesTheRest) {
    spooler.addPrinter("HP LaserJet", "USB001");
    spooler.addPrinter("Canon MP280", "USB002");
    spooler.setReturnedCount(1);
    EXPECT_EQ(guard.countPrinters(), 1);
    char name[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(1, name, sizeof name), 0);
}

TEST_F(Guard, PointerOutsideTheBufferIsNoText) {
    laserJetOnUsb001(registry);
    spooler.printer(spooler.addPrinter("HP LaserJet", "USB001", 1)).nameFault =
        SimSpooler::TextFault::PointerOutsideBuffer;
    spooler.printer(spooler.addPrinter("Canon MP280", "USB001", 1)).portFault =
        SimSpooler::TextFault::PointerOutsideBuffer;

    char text[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(0, text, sizeof text), 0);
    EXPECT_EQ(guard.getUsbPrinterPort(1, text, sizeof text), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(guard.getUsbPrinterPort(0, text, sizeof text), 1) << "its port is still read";
    std::uint16_t vendorId = kUntouched;
    std::uint16_t productId = kUntouched;
    EXPECT_EQ(guard.getPrinterUsbId(0, text, &vendorId, &productId), 0);
    EXPECT_EQ(guard.getPrinterUsbId(1, text, &vendorId, &productId), 0);
    std::uint32_t jobs = 99;
    EXPECT_EQ(guard.getPrinterJobs(0, &jobs), 0);
    EXPECT_EQ(jobs, 0u);
    EXPECT_TRUE(spooler.openCalls().empty()) << "no printer is opened by a name that could not be read";
}

// The spooler's part of the buffer ends without a zero; the text is read no
// further than the buffer, and the zero byte the guard adds after the
// spooler's part ends it.
TEST_F(Guard, TextRunningToTheEndOfTheBufferIsReadWithinIt) {
    spooler.printer(spooler.addPrinter("HP LaserJet", "USB001", 1)).nameFault = SimSpooler::TextFault::Unterminated;
    char name[PrinterGuard::kNameSize] = "untouched";
    EXPECT_EQ(guard.getPrinterName(0, name, sizeof name), 1);
    EXPECT_STREQ(name, "HP LaserJet");
}

// ---- The registry double answers as RegEnumKeyExA and RegQueryValueExA do:
// the guard's buffer handling relies on it.

TEST_F(Guard, SimulatedRegistryAnswersAsWindows) {
    registry.setString("A\\Key", "Text", "abc");
    registry.addKey("A\\Second");
    OsHandle key = nullptr;
    EXPECT_EQ(registry.openLocalMachineKey("a\\missing", &key), SimRegistry::kErrorFileNotFound);
    ASSERT_EQ(registry.openLocalMachineKey("a", &key), kRegistrySuccess) << "names in any case";

    char name[8];
    std::uint32_t length = 3;
    std::uint32_t classLength = 8;
    char className[8];
    EXPECT_EQ(registry.enumKey(key, 0, name, &length, className, &classLength), SimRegistry::kErrorMoreData)
        << "room for the name but not its terminator";
    length = sizeof name;
    ASSERT_EQ(registry.enumKey(key, 0, name, &length, className, &classLength), kRegistrySuccess);
    EXPECT_STREQ(name, "Key");
    EXPECT_EQ(length, 3u);
    length = sizeof name;
    ASSERT_EQ(registry.enumKey(key, 1, name, &length, nullptr, nullptr), kRegistrySuccess);
    EXPECT_STREQ(name, "Second");
    length = sizeof name;
    EXPECT_EQ(registry.enumKey(key, 2, name, &length, nullptr, nullptr), SimRegistry::kErrorNoMoreItems);
    EXPECT_EQ(registry.closeKey(key), kRegistrySuccess);

    ASSERT_EQ(registry.openLocalMachineKey("A\\Key", &key), kRegistrySuccess);
    std::uint8_t data[8] = {};
    std::uint32_t size = 3;
    std::uint32_t type = 0;
    EXPECT_EQ(registry.queryValue(key, "text", &type, data, &size), SimRegistry::kErrorMoreData);
    EXPECT_EQ(size, 4u) << "the size needed, terminator included";
    size = sizeof data;
    EXPECT_EQ(registry.queryValue(key, "TEXT", &type, data, &size), kRegistrySuccess);
    EXPECT_EQ(type, kRegString);
    EXPECT_EQ(size, 4u);
    EXPECT_STREQ(reinterpret_cast<const char*>(data), "abc");
    EXPECT_EQ(registry.queryValue(key, "Other", &type, data, &size), SimRegistry::kErrorFileNotFound);
    EXPECT_EQ(registry.closeKey(key), kRegistrySuccess);
    EXPECT_EQ(registry.opens(), 2);
    EXPECT_EQ(registry.closes(), 2);
}

// Sorted by name as Windows sorts it, in upper case: "_" comes after the
// letters, and the order keys were made in does not count.
TEST_F(Guard, SimulatedRegistryListsSubkeysByName) {
    for (const char* name : {"b", "A_x", "Z", "aa", "VID_03F0", "Ab", "VIDA"})
        registry.addKey(std::string("Order\\") + name);
    EXPECT_EQ(subkeys(registry, "Order"), (std::vector<std::string>{"aa", "Ab", "A_x", "b", "VIDA", "VID_03F0", "Z"}));
}

// ---- .reg files.

// `text` as regedit's version 5 files are written: UTF-16LE with a byte order mark.
std::string utf16(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

std::string readValue(SimRegistry& registry, const std::string& path, const char* valueName,
                      std::uint32_t* type = nullptr) {
    OsHandle key = nullptr;
    if (registry.openLocalMachineKey(path.c_str(), &key) != kRegistrySuccess) return "<no key>";
    std::uint8_t data[256] = {};
    std::uint32_t size = sizeof data;
    std::uint32_t found = 0;
    const long status = registry.queryValue(key, valueName, &found, data, &size);
    registry.closeKey(key);
    if (status != kRegistrySuccess) return "<no value>";
    if (type != nullptr) *type = found;
    return std::string(reinterpret_cast<const char*>(data), size);
}

TEST_F(Guard, FixtureMapsItsPrinterPort) {
    ASSERT_TRUE(registry.loadRegFile(std::string(PIVORA_FIXTURES) + "/usbprint.reg"));
    EXPECT_EQ(map("USB001"), (Mapped{1, 0x03F0, 0x3D17}));
    EXPECT_EQ(map("usb001"), (Mapped{1, 0x03F0, 0x3D17}));
    EXPECT_EQ(map("USB002"), kNotFound) << "the stale instance's device is gone";
    EXPECT_EQ(map("USB009"), kNotFound);
    EXPECT_EQ(subkeys(registry, kUsb),
              (std::vector<std::string>{"ROOT_HUB20", "VID_03F0&PID_3D17", "VID_046D&PID_C077"}))
        << "by name, not in the file's order";

    std::uint32_t type = 0;
    EXPECT_EQ(readValue(registry, kUsb + "\\VID_03F0&PID_3D17\\CN0BV4S1Y2", "HardwareID", &type),
              std::string("USB\\VID_03F0&PID_3D17&REV_0100\0USB\\VID_03F0&PID_3D17\0\0", 54));
    EXPECT_EQ(type, 7u) << "REG_MULTI_SZ, as 8-bit text";
    EXPECT_EQ(readValue(registry, kUsb + "\\ROOT_HUB20\\4&2a1b7c3d&0", "Capabilities", &type), std::string(4, '\0'));
    EXPECT_EQ(type, SimRegistry::kRegDword);
}

struct RegTextCase {
    const char* name;
    std::string text;
};

void PrintTo(const RegTextCase& c, std::ostream* os) { *os << c.name; }

class RegTextAccepted : public Guard, public ::testing::WithParamInterface<RegTextCase> {};

TEST_P(RegTextAccepted, LoadsLocalMachineValues) {
    ASSERT_TRUE(registry.loadRegText(GetParam().text));
    std::uint32_t type = 0;
    EXPECT_EQ(readValue(registry, "SOFTWARE\\Pivora Test", "Path", &type), std::string("C:\\a \"b\"\0", 9));
    EXPECT_EQ(type, kRegString);
    EXPECT_EQ(readValue(registry, "software\\pivora test", "", &type), std::string("default\0", 8));
    EXPECT_EQ(readValue(registry, "SOFTWARE\\Pivora Test", "Count", &type), std::string("\x2a\x01\0\0", 4));
    EXPECT_EQ(type, SimRegistry::kRegDword);
    EXPECT_EQ(readValue(registry, "SOFTWARE\\Pivora Test\\Sub", "Blob", &type), std::string("\x01\xff\x10", 3));
    EXPECT_EQ(type, SimRegistry::kRegBinary);
    EXPECT_FALSE(registry.hasKey("Software\\Elsewhere")) << "other roots are left out";
}

const std::string kBody =
    "\r\n"
    "; regedit's comments\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Pivora Test]\r\n"
    "\"Path\"=\"C:\\\\a \\\"b\\\"\"\r\n"
    "@=\"default\"\r\n"
    "\"Count\"=dword:0000012a\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Elsewhere]\r\n"
    "\"Ignored\"=\"yes\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Pivora Test\\Sub]\r\n"
    "\"Blob\"=hex:01,\\\r\n"
    "  ff,10\r\n";

INSTANTIATE_TEST_SUITE_P(Files, RegTextAccepted,
                         ::testing::Values(RegTextCase{"Version5Utf16",
                                                       utf16("Windows Registry Editor Version 5.00\r\n" + kBody)},
                                           RegTextCase{"Regedit4Ansi", "REGEDIT4\r\n" + kBody},
                                           RegTextCase{"UnixLineEnds",
                                                       "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Pivora Test]\n"
                                                       "\"Path\"=\"C:\\\\a \\\"b\\\"\"\n@=\"default\"\n"
                                                       "\"Count\"=dword:0000012a\n"
                                                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Pivora Test\\Sub]\n"
                                                       "\"Blob\"=hex:01,ff,10\n"}),
                         [](const ::testing::TestParamInfo<RegTextCase>& c) { return std::string(c.param.name); });

class RegTextRefused : public Guard, public ::testing::WithParamInterface<RegTextCase> {};

TEST_P(RegTextRefused, LoadsNothing) {
    EXPECT_FALSE(registry.loadRegText("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Loaded]\r\n\"Good\"=\"value\"\r\n" +
                                      GetParam().text));
    EXPECT_FALSE(registry.hasKey("SOFTWARE\\Loaded")) << "nothing of a refused file is kept";
}

INSTANTIATE_TEST_SUITE_P(Lines, RegTextRefused,
                         ::testing::Values(RegTextCase{"UnknownEscape", "\"Bad\"=\"a\\nb\"\r\n"},
                                           RegTextCase{"UnclosedQuote", "\"Bad\"=\"abc\r\n"},
                                           RegTextCase{"TextAfterTheQuote", "\"Bad\"=\"abc\" x\r\n"},
                                           RegTextCase{"DwordTooLong", "\"Bad\"=dword:000000001\r\n"},
                                           RegTextCase{"DwordNotHex", "\"Bad\"=dword:0000001g\r\n"},
                                           RegTextCase{"HexByteOfThreeDigits", "\"Bad\"=hex:01,002\r\n"},
                                           RegTextCase{"ValueDeleted", "\"Bad\"=-\r\n"},
                                           RegTextCase{"KeyDeleted", "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"},
                                           RegTextCase{"AbbreviatedRoot", "[HKLM\\SOFTWARE\\Bad]\r\n"},
                                           RegTextCase{"UnclosedSection", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\r\n"},
                                           RegTextCase{"EmptyKeyName", "[HKEY_LOCAL_MACHINE\\SOFTWARE\\\\Bad]\r\n"},
                                           RegTextCase{"NameWithoutValue", "\"Bad\"\r\n"},
                                           RegTextCase{"BareWord", "Bad=1\r\n"}),
                         [](const ::testing::TestParamInfo<RegTextCase>& c) { return std::string(c.param.name); });

TEST_F(Guard, RegTextWithoutHeaderOrSectionIsRefused) {
    EXPECT_FALSE(registry.loadRegText("[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\r\n\"a\"=\"b\"\r\n"));
    EXPECT_FALSE(registry.loadRegText("REGEDIT4\r\n\"a\"=\"b\"\r\n"));
    EXPECT_FALSE(registry.loadRegText(utf16("Windows Registry Editor Version 5.00\r\n") + "\x01"))
        << "an odd byte count is no UTF-16";
    EXPECT_FALSE(registry.loadRegFile(std::string(PIVORA_FIXTURES) + "/no-such-file.reg"));
    EXPECT_FALSE(registry.hasKey("SOFTWARE\\X"));
}

}  // namespace
}  // namespace pivora::test
