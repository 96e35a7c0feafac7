#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "recording_trace.h"
#include "sim/sim_computer.h"
#include "sim/virtual_clock.h"
#include "usb/safe_removal.h"
#include "usb/usb_topology.h"
#include "usb/windows_version.h"

namespace pivora::test {
namespace {

using sim::SimUsbTree;

constexpr std::uint16_t kVendorId = 0x0781;
constexpr std::uint16_t kProductId = 0x5567;

std::string devicePath(const char* ids) {
    return std::string("\\\\?\\usb#") + ids + "#4c530001230915110253#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
}

// ---- parseUsbIdFromPath and parseHex4: pure functions over text.

struct PathCase {
    const char* name;
    std::string path;
    int result;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name << " \"" << c.path << "\""; }

class UsbIdFromPath : public ::testing::TestWithParam<PathCase> {};

TEST_P(UsbIdFromPath, ReadsExactlyTwoMarkersInTheFirst26Positions) {
    sim::SimUsbTree unused;
    sim::SimDeviceInterfaces interfaces;
    const UsbTopology topology(interfaces, unused);
    std::uint16_t vendorId = 0xEEEE;
    std::uint16_t productId = 0xEEEE;
    EXPECT_EQ(topology.parseUsbIdFromPath(GetParam().path.c_str(), &vendorId, &productId), GetParam().result);
    EXPECT_EQ(vendorId, GetParam().vendorId);
    EXPECT_EQ(productId, GetParam().productId);
}

std::string markerAt(const char* marker, std::size_t position, const char* before = "") {
    std::string path = before;
    path.resize(position, 'x');
    return path + marker;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, UsbIdFromPath,
    ::testing::Values(PathCase{"UsbDevicePath", devicePath("vid_0424&pid_2524"), 1, 0x0424, 0x2524},
                      PathCase{"HidDevicePath", "\\\\?\\hid#vid_04b4&pid_120d#7&2a1c9f3e&0&0000", 1, 0x04B4, 0x120D},
                      PathCase{"UpperCaseMarkers", devicePath("VID_0424&PID_2524"), 0, 0, 0},
                      PathCase{"UpperCaseHexDigits", devicePath("vid_04B4&pid_120D"), 1, 0x04B4, 0x120D},
                      PathCase{"MarkersAtTheStart", "vid_1234pid_5678", 1, 0x1234, 0x5678},
                      PathCase{"PidAtTheLastPosition25", markerAt("pid_abcd", 25, "vid_1234"), 1, 0x1234, 0xABCD},
                      PathCase{"PidAtPosition26", markerAt("pid_abcd", 26, "vid_1234"), 0, 0x1234, 0},
                      PathCase{"VidAtPosition26", markerAt("vid_1234", 26, "pid_abcd"), 0, 0, 0xABCD},
                      PathCase{"MarkerLateInAUsbPath", "\\\\?\\usb#root_hub#4&2f1b&0&0000&vid_1234&pid_5678", 0, 0, 0},
                      PathCase{"TwoVidsAndNoPid", "vid_1111&vid_2222#", 1, 0x2222, 0},
                      PathCase{"TwoPidsAndNoVid", "pid_1111&pid_2222#", 1, 0, 0x2222},
                      PathCase{"ThirdMarker", "vid_1111&pid_2222&pid_3333", 0, 0x1111, 0x3333},
                      PathCase{"OneMarker", devicePath("vid_1234"), 0, 0x1234, 0},
                      PathCase{"NoMarker", "\\\\?\\usb#root_hub20", 0, 0, 0}, PathCase{"EmptyPath", "", 0, 0, 0},
                      PathCase{"MarkerWithoutDigitsAtTheEnd", "pid_5678&vid_", 1, 0, 0x5678}),
    [](const ::testing::TestParamInfo<PathCase>& c) { return std::string(c.param.name); });

struct HexCase {
    const char* text;
    std::uint16_t value;
};

void PrintTo(const HexCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class Hex4 : public ::testing::TestWithParam<HexCase> {};

TEST_P(Hex4, ReadsFourCharactersEachTakingItsPlace) { EXPECT_EQ(parseHex4(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Texts, Hex4,
                         ::testing::Values(HexCase{"04b4", 0x04B4}, HexCase{"04B4", 0x04B4}, HexCase{"ffff", 0xFFFF},
                                           HexCase{"FFFF", 0xFFFF}, HexCase{"0000", 0}, HexCase{"12g4", 0x1204},
                                           HexCase{"x1y2", 0x0102}, HexCase{"&pid", 0x000D}, HexCase{"123456", 0x1234}),
                         [](const ::testing::TestParamInfo<HexCase>& c) {
                             std::string name;
                             for (const char* at = c.param.text; *at != '\0'; ++at)
                                 name += std::isalnum(static_cast<unsigned char>(*at)) ? *at : '_';
                             return name + "_" + std::to_string(c.index);
                         });

// ---- Device lookup and removal on one computer.

class DeviceLookup : public ::testing::Test {
protected:
    DeviceLookup() : pc(clock, nullptr, sim::Host::A), usb(pc.usb), topology(pc.interfaces, pc.usb) {
        usb.addController(8);
    }

    void TearDown() override { EXPECT_TRUE(pc.allReleased()) << "every handle and set released"; }

    int plug(std::uint16_t vendorId, std::uint16_t productId, std::string description = "USB Mass Storage Device") {
        return usb.addDevice(usb.rootHub(0), ++lastConnection, vendorId, productId, std::move(description));
    }
    int plugWithPath(const std::string& path, std::string description = "USB Mass Storage Device") {
        const int device = plug(0x1111, 0x1111, std::move(description));
        usb.setPath(device, path);
        return device;
    }

    struct Found {
        int result;
        std::uint32_t devInst;
        std::string description;
    };
    Found findPresent(std::uint16_t vendorId, std::uint16_t productId) {
        Found found{0, 0xEEEEEEEE, {}};
        char description[UsbTopology::kDescriptionSize] = "untouched";
        found.result = topology.findPresentDevice(vendorId, productId, &found.devInst, description);
        found.description = description;
        return found;
    }
    Found findKnown(std::uint16_t vendorId, std::uint16_t productId) {
        Found found{0, 0, {}};
        char description[UsbTopology::kDescriptionSize] = "untouched";
        found.result = topology.findKnownDevice(vendorId, productId, description);
        found.description = description;
        return found;
    }

    sim::VirtualClock clock;
    sim::SimComputer pc;
    SimUsbTree& usb;
    UsbTopology topology;
    RecordingTrace trace;
    int lastConnection = 0;
};

TEST_F(DeviceLookup, PresentDeviceGivesItsInstanceAndDescription) {
    plug(0x046D, 0xC31C, "USB Input Device");
    const int device = plug(kVendorId, kProductId, "SanDisk Cruzer Blade");
    const Found found = findPresent(kVendorId, kProductId);
    EXPECT_EQ(found.result, 1);
    EXPECT_NE(found.devInst, 0u);
    EXPECT_EQ(found.devInst, usb.devInst(device));
    EXPECT_EQ(found.description, "SanDisk Cruzer Blade");

    std::uint32_t devInst = 0;
    EXPECT_EQ(topology.findPresentDevice(kVendorId, kProductId, &devInst, nullptr), 1) << "description optional";
    EXPECT_EQ(topology.findPresentDevice(kVendorId, kProductId, nullptr, nullptr), 1) << "instance optional";
}

TEST_F(DeviceLookup, NoSuchDeviceLeavesTheDescriptionAndZeroesTheInstance) {
    plug(kVendorId, kProductId);
    const Found found = findPresent(kVendorId, 0x5568);
    EXPECT_EQ(found.result, 0);
    EXPECT_EQ(found.devInst, 0u);
    EXPECT_EQ(found.description, "untouched");
    EXPECT_EQ(findKnown(0x0782, kProductId).description, "untouched");
}

// A device that is no longer present: found only among the known devices.
struct GoneCase {
    const char* name;
    void (*leave)(SimUsbTree& usb, RecordingTrace& trace, int device);
};

void PrintTo(const GoneCase& c, std::ostream* os) { *os << c.name; }

class GoneDevice : public DeviceLookup, public ::testing::WithParamInterface<GoneCase> {};

TEST_P(GoneDevice, IsKnownButNotPresent) {
    const int device = plug(kVendorId, kProductId, "SanDisk Cruzer Blade");
    ASSERT_EQ(findPresent(kVendorId, kProductId).result, 1);
    GetParam().leave(usb, trace, device);
    const Found present = findPresent(kVendorId, kProductId);
    EXPECT_EQ(present.result, 0);
    EXPECT_EQ(present.devInst, 0u);
    const Found known = findKnown(kVendorId, kProductId);
    EXPECT_EQ(known.result, 1);
    EXPECT_EQ(known.description, "SanDisk Cruzer Blade");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, GoneDevice,
    ::testing::Values(GoneCase{"Unplugged", [](SimUsbTree& usb, RecordingTrace&, int device) { usb.unplug(device); }},
                      GoneCase{"RemovedSafely",
                               [](SimUsbTree& usb, RecordingTrace& trace, int device) {
                                   EXPECT_EQ(safeRemoveDevice(usb, trace, usb.devInst(device)), 0u);
                               }}),
    [](const ::testing::TestParamInfo<GoneCase>& c) { return std::string(c.param.name); });

TEST_F(DeviceLookup, DeviceOnlyEverSeenBeforeIsKnown) {
    usb.addKnownDevice(kVendorId, kProductId, "SanDisk Cruzer Blade");
    EXPECT_EQ(findPresent(kVendorId, kProductId).result, 0);
    const Found known = findKnown(kVendorId, kProductId);
    EXPECT_EQ(known.result, 1);
    EXPECT_EQ(known.description, "SanDisk Cruzer Blade");
}

TEST_F(DeviceLookup, KnownSearchRefusesNoDeviceWithoutAskingThePlatform) {
    plugWithPath(devicePath("vid_0000&pid_0000"));
    char description[UsbTopology::kDescriptionSize] = "untouched";
    EXPECT_EQ(topology.findKnownDevice(0, 0, description), 0);
    EXPECT_STREQ(description, "");
    EXPECT_EQ(pc.interfaces.setsMade(), 0);
}

TEST_F(DeviceLookup, VendorOnlySearchMatchesOnlyProductDigitsReadingZero) {
    plugWithPath(devicePath("vid_1234&pid_5678"));
    plugWithPath(devicePath("vid_1234"), "no product marker");
    // Listed first: it sorts before the path with "pid_0000", which would match too.
    const int zeroDigits = plugWithPath(devicePath("vid_1234&pid_00-0"), "product digits reading 0");
    plugWithPath(devicePath("vid_1234&pid_0000"));
    const Found found = findPresent(0x1234, 0);
    EXPECT_EQ(found.result, 1);
    EXPECT_EQ(found.devInst, usb.devInst(zeroDigits));
    EXPECT_EQ(found.description, "product digits reading 0");
}

TEST_F(DeviceLookup, FirstMatchInEnumerationOrderWins) {
    plug(0x046D, 0xC31C);
    const int first = plug(kVendorId, kProductId, "first");
    plug(kVendorId, kProductId, "second");
    const Found found = findPresent(kVendorId, kProductId);
    EXPECT_EQ(found.devInst, usb.devInst(first));
    EXPECT_EQ(found.description, "first");
    EXPECT_EQ(findKnown(kVendorId, kProductId).description, "first");
}

// A device with a second interface puts every later device at a lower index
// among the set's devices than among its interfaces: the device of an
// interface is the one its own record names, never the one at its index.
TEST_F(DeviceLookup, DeviceIsTheOneOfTheInterfaceFound) {
    const int keyboard = plug(0x046D, 0xC31C, "USB Input Device");
    usb.addInterface(keyboard, devicePath("vid_046d&pid_c31c"));
    const int stick = plug(kVendorId, kProductId, "SanDisk Cruzer Blade");
    const int disk = plug(0x0BC2, 0x2322, "Seagate Portable");

    const Found found = findPresent(kVendorId, kProductId);
    EXPECT_EQ(found.result, 1);
    EXPECT_EQ(found.devInst, usb.devInst(stick));
    EXPECT_EQ(found.description, "SanDisk Cruzer Blade");
    // The last interface has an index no device of the set has.
    const Found last = findPresent(0x0BC2, 0x2322);
    EXPECT_EQ(last.result, 1);
    EXPECT_EQ(last.devInst, usb.devInst(disk));
    EXPECT_EQ(last.description, "Seagate Portable");
    EXPECT_EQ(findKnown(0x0BC2, 0x2322).description, "Seagate Portable");

    EXPECT_EQ(safeRemoveDevice(usb, trace, found.devInst), 0u);
    EXPECT_EQ(findPresent(kVendorId, kProductId).result, 0) << "the stick is gone";
    EXPECT_EQ(findPresent(0x0BC2, 0x2322).result, 1) << "the disk stays";
}

TEST_F(DeviceLookup, PathThatCannotBeReadEndsTheSearch) {
    const int unreadable = plug(0x046D, 0xC31C);
    plug(kVendorId, kProductId);
    usb.setDetailFails(unreadable, true);
    const Found present = findPresent(kVendorId, kProductId);
    EXPECT_EQ(present.result, 0);
    EXPECT_EQ(present.devInst, 0u);
    EXPECT_EQ(findKnown(kVendorId, kProductId).result, 0);
}

TEST_F(DeviceLookup, MarkersTheParserCannotSeeAreNoMatch) {
    plugWithPath(devicePath("VID_0781&PID_5567"));
    plugWithPath("\\\\?\\usb#0123456789abcdef01#vid_0781&pid_5567#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    EXPECT_EQ(findPresent(kVendorId, kProductId).result, 0);
}

TEST_F(DeviceLookup, NoDeviceSetFindsNothing) {
    plug(kVendorId, kProductId);
    pc.interfaces.failSets(true);
    const Found present = findPresent(kVendorId, kProductId);
    EXPECT_EQ(present.result, 0);
    EXPECT_EQ(present.devInst, 0u);
    EXPECT_EQ(findKnown(kVendorId, kProductId).result, 0);
}

// A description that fits 128 bytes with its terminator arrives whole. A
// longer one cannot be read: the platform fails, leaving what fitted in its
// buffer unterminated, and the caller's text stays as it was. The device is
// found all the same.
class DescriptionLength : public DeviceLookup, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(DescriptionLength, ArrivesWholeOrNotAtAll) {
    std::string text;
    for (std::size_t i = 0; i < GetParam(); ++i) text += static_cast<char>('A' + i % 26);
    plug(kVendorId, kProductId, text);
    const bool fits = text.size() < UsbTopology::kDescriptionSize;

    std::array<char, 2 * UsbTopology::kDescriptionSize> buffer;
    for (int known = 0; known < 2; ++known) {
        buffer.fill('z');
        ASSERT_EQ(known ? topology.findKnownDevice(kVendorId, kProductId, buffer.data())
                        : topology.findPresentDevice(kVendorId, kProductId, nullptr, buffer.data()),
                  1);
        if (fits) {
            EXPECT_STREQ(buffer.data(), text.c_str());
        } else {
            EXPECT_EQ(std::string(buffer.data(), buffer.size()), std::string(buffer.size(), 'z'))
                << "nothing of a description that could not be read";
        }
        EXPECT_EQ(buffer[UsbTopology::kDescriptionSize], 'z') << "nothing written past 128 bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, DescriptionLength, ::testing::Values(0, 1, 126, 127, 128, 129, 300),
                         [](const ::testing::TestParamInfo<std::size_t>& c) {
                             return "Of" + std::to_string(c.param) + "Characters";
                         });

// ---- The Windows version.

struct VersionCase {
    const char* name;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t platformId;
    std::uint8_t productType;
    WindowsVersionCode code;
};

void PrintTo(const VersionCase& c, std::ostream* os) { *os << c.name; }

class WindowsVersion : public ::testing::TestWithParam<VersionCase> {};

TEST_P(WindowsVersion, Classifies) {
    SimUsbTree system;
    const VersionCase& c = GetParam();
    system.setWindowsVersion(c.major, c.minor, c.platformId, c.productType);
    EXPECT_EQ(classifyWindowsVersion(system), c.code);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, WindowsVersion,
    ::testing::Values(VersionCase{"Windows95", 4, 0, 1, 0, 1}, VersionCase{"NT40", 4, 0, 2, 1, 4},
                      VersionCase{"Version40OnWin32s", 4, 0, 0, 0, 0}, VersionCase{"Windows98", 4, 10, 1, 0, 2},
                      VersionCase{"WindowsMe", 4, 90, 1, 0, 3}, VersionCase{"OtherMinorOf4", 4, 3, 1, 0, 0},
                      VersionCase{"Windows2000Workstation", 5, 0, 2, 1, 5},
                      VersionCase{"Windows2000Server", 5, 0, 2, 3, 5},
                      VersionCase{"Windows2000DomainController", 5, 0, 2, 2, 0},
                      VersionCase{"WindowsXp", 5, 1, 2, 1, 6}, VersionCase{"WindowsXpAnyProductType", 5, 1, 2, 2, 6},
                      VersionCase{"Server2003", 5, 2, 2, 3, 5}, VersionCase{"OtherMinorOf5", 5, 3, 2, 1, 0},
                      VersionCase{"Vista", 6, 0, 2, 1, 7}, VersionCase{"Windows7Server", 6, 1, 2, 3, 7},
                      VersionCase{"Windows8DomainController", 6, 2, 2, 2, 0},
                      VersionCase{"Version6ProductTypeZero", 6, 3, 2, 0, 0}, VersionCase{"Major3", 3, 51, 2, 1, 0},
                      VersionCase{"Major10", 10, 0, 2, 1, 0}),
    [](const ::testing::TestParamInfo<VersionCase>& c) { return std::string(c.param.name); });

TEST(WindowsVersionCall, MissingOrFailingGivesCode0) {
    SimUsbTree system;
    system.setWindowsVersion(6, 1, 2, 1);
    system.failVersionCall(true);
    EXPECT_EQ(classifyWindowsVersion(system), 0);
    system.failVersionCall(false);
    system.removeVersionFunction();
    EXPECT_EQ(classifyWindowsVersion(system), 0);
}

// ---- Safe removal: the call chosen by the version, and what counts as removed.

struct RemovalCase {
    const char* name;
    std::optional<std::array<std::uint32_t, 2>> version;  // major, minor; none: no version function
    std::uint8_t productType;
    std::optional<sim::RemovalRefusal> refusal;
    SimUsbTree::RemovalKind call;
    std::uint32_t status;
};

void PrintTo(const RemovalCase& c, std::ostream* os) { *os << c.name; }

class SafeRemoval : public DeviceLookup, public ::testing::WithParamInterface<RemovalCase> {};

TEST_P(SafeRemoval, UsesTheCallOfTheVersionAndCountsAVetoOnlyBeforeVista) {
    const RemovalCase& c = GetParam();
    if (c.version)
        usb.setWindowsVersion((*c.version)[0], (*c.version)[1], 2, c.productType);
    else
        usb.removeVersionFunction();
    const int device = plug(kVendorId, kProductId);
    if (c.refusal) usb.refuseRemoval(device, *c.refusal);

    EXPECT_EQ(safeRemoveDevice(usb, trace, usb.devInst(device)), c.status);

    ASSERT_EQ(usb.removalCalls().size(), 1u);
    const SimUsbTree::RemovalCall& call = usb.removalCalls()[0];
    const bool eject = c.call == SimUsbTree::RemovalKind::Eject;
    EXPECT_EQ(call.kind, c.call);
    EXPECT_EQ(call.devInst, usb.devInst(device));
    EXPECT_EQ(call.flags, eject ? 0u : kCmRemoveUiNotOk);
    EXPECT_EQ(call.nameLength, 260u);
    EXPECT_TRUE(call.vetoCleared) << "veto type and name zeroed before the call";

    char line[64];
    std::snprintf(line, sizeof line, "%s SafeRemove Status=%.8X\r\n", eject ? "Vista" : "WinXP", c.status);
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_EQ(trace.lines()[0].first, TraceChannel::Text);
    EXPECT_EQ(trace.lines()[0].second, line);

    EXPECT_EQ(findPresent(kVendorId, kProductId).result, c.refusal ? 1 : 0) << "a refusing device stays";
}

using Kind = SimUsbTree::RemovalKind;
using Version = std::array<std::uint32_t, 2>;

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeRemoval,
    ::testing::Values(RemovalCase{"VistaEjects", Version{6, 1}, 1, {}, Kind::Eject, 0},
                      RemovalCase{"VistaRefusalIsTheCallsResult", Version{6, 0}, 1, sim::RemovalRefusal{0x17, "", 0},
                                  Kind::Eject, 0x17},
                      RemovalCase{"VistaIgnoresAVetoName", Version{6, 1}, 3,
                                  sim::RemovalRefusal{0, "USBSTOR\\Disk&Ven_SanDisk", 6}, Kind::Eject, 0},
                      RemovalCase{"VistaRefusalWithAVetoName", Version{6, 1}, 1,
                                  sim::RemovalRefusal{0x17, "explorer.exe", 2}, Kind::Eject, 0x17},
                      RemovalCase{"XpQueriesAndRemoves", Version{5, 1}, 1, {}, Kind::QueryAndRemove, 0},
                      RemovalCase{"XpVetoNameMakesSuccessAFailure", Version{5, 1}, 1,
                                  sim::RemovalRefusal{0, "USBSTOR\\Disk&Ven_SanDisk", 6}, Kind::QueryAndRemove, 1},
                      RemovalCase{"XpVetoNameReplacesTheCallsResult", Version{5, 1}, 1,
                                  sim::RemovalRefusal{0x17, "explorer.exe", 2}, Kind::QueryAndRemove, 1},
                      RemovalCase{"XpRefusalWithoutAName", Version{5, 1}, 1, sim::RemovalRefusal{0x17, "", 0},
                                  Kind::QueryAndRemove, 0x17},
                      RemovalCase{"DomainControllerOf6IsNotVista", Version{6, 1}, 2,
                                  sim::RemovalRefusal{0, "explorer.exe", 2}, Kind::QueryAndRemove, 1},
                      RemovalCase{"NoVersionFunction", std::nullopt, 1, {}, Kind::QueryAndRemove, 0}),
    [](const ::testing::TestParamInfo<RemovalCase>& c) { return std::string(c.param.name); });

}  // namespace
}  // namespace pivora::test
