#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "dbus_mock.h"
#include "platform/linux/udisks2_ejector.h"

namespace pivora::test {
namespace {

constexpr const char* kManager = "/org/freedesktop/UDisks2";
constexpr const char* kStick = "/org/freedesktop/UDisks2/drives/Stick";
constexpr const char* kDisk = "/org/freedesktop/UDisks2/drives/Disk";
constexpr const char* kBusy = "org.freedesktop.UDisks2.Error.DeviceBusy";

std::string blockPath(const std::string& name) { return std::string(kManager) + "/block_devices/" + name; }

// udisks2 on a private bus, from the template beside these tests.
class Udisks2 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        systemBus = bus.connect();
        ASSERT_TRUE(systemBus);
    }

    void startUdisks2() {
        udisks2 = std::make_unique<DbusMock>(bus, "org.freedesktop.UDisks2",
                                             std::vector<std::string>{"-t", sim::udisks2Template()});
        ASSERT_TRUE(udisks2->running()) << "the udisks2 mock did not start";
    }

    void addDrive(const char* name, bool canPowerOff) {
        udisks2->control(kManager, "AddDrive", g_variant_new("(sb)", name, canPowerOff ? TRUE : FALSE), "(o)");
    }
    void addBlock(const char* name, const char* drive) {
        udisks2->control(kManager, "AddBlock", g_variant_new("(so)", name, drive), "(o)");
    }
    void addFilesystem(const char* block, const char* mountPoint) {
        udisks2->control(kManager, "AddFilesystem", g_variant_new("(os)", blockPath(block).c_str(), mountPoint));
    }
    void setError(const std::string& path, const char* error) {
        udisks2->control(kManager, "SetError", g_variant_new("(os)", path.c_str(), error));
    }
    std::vector<std::string> calls() {
        return udisks2->controlStrings(kManager, "Calls");
    }

    // A stick (sdb: two filesystems mounted, one not) and a second drive
    // (sdc, one filesystem mounted).
    void addStickAndDisk(bool stickCanPowerOff) {
        addDrive("Stick", stickCanPowerOff);
        addBlock("sdb", kStick);
        for (const char* partition : {"sdb1", "sdb2", "sdb3"}) addBlock(partition, kStick);
        addFilesystem("sdb1", "/media/user/STICK");
        addFilesystem("sdb2", "/media/user/DATA");
        addFilesystem("sdb3", "");
        addDrive("Disk", true);
        addBlock("sdc", kDisk);
        addBlock("sdc1", kDisk);
        addFilesystem("sdc1", "/media/user/DISK");
    }

    PrivateBus bus;
    GObjectHandle<GDBusConnection> systemBus;
    std::unique_ptr<DbusMock> udisks2;
};

struct EjectCase {
    const char* name;
    std::vector<std::string> disks;
    bool stickCanPowerOff;
    const char* failingObject;  // under /org/freedesktop/UDisks2, or null
    const char* error;
    RemovalResult expected;
    std::vector<std::string> calls;
};

void PrintTo(const EjectCase& c, std::ostream* os) { *os << c.name; }

class EjectingDisks : public Udisks2, public ::testing::WithParamInterface<EjectCase> {};

// Each mounted filesystem of the disk's drive is unmounted, in order, before
// the drive is powered off, and the first refusal stops everything after it.
TEST_P(EjectingDisks, UnmountsThenPowersOffUntilRefused) {
    const EjectCase& c = GetParam();
    startUdisks2();
    addStickAndDisk(c.stickCanPowerOff);
    if (c.failingObject != nullptr) setError(std::string(kManager) + "/" + c.failingObject, c.error);

    Udisks2Ejector ejector(systemBus.get());
    EXPECT_EQ(ejector.eject(c.disks), c.expected);
    EXPECT_EQ(calls(), c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Udisks2, EjectingDisks,
    ::testing::Values(
        EjectCase{"FreeStick", {"sdb"}, true, nullptr, nullptr, RemovalResult::Removed,
                  {"Unmount sdb1", "Unmount sdb2", "PowerOff Stick"}},
        EjectCase{"DriveThatCannotPowerOff", {"sdb"}, false, nullptr, nullptr, RemovalResult::Removed,
                  {"Unmount sdb1", "Unmount sdb2"}},
        EjectCase{"TwoDisks", {"sdb", "sdc"}, true, nullptr, nullptr, RemovalResult::Removed,
                  {"Unmount sdb1", "Unmount sdb2", "PowerOff Stick", "Unmount sdc1", "PowerOff Disk"}},
        EjectCase{"FirstFilesystemBusy", {"sdb"}, true, "block_devices/sdb1", kBusy, RemovalResult::Busy,
                  {"Unmount sdb1"}},
        EjectCase{"SecondFilesystemBusy", {"sdb"}, true, "block_devices/sdb2", kBusy, RemovalResult::Busy,
                  {"Unmount sdb1", "Unmount sdb2"}},
        EjectCase{"SecondDiskBusy", {"sdb", "sdc"}, true, "block_devices/sdc1", kBusy, RemovalResult::Busy,
                  {"Unmount sdb1", "Unmount sdb2", "PowerOff Stick", "Unmount sdc1"}},
        EjectCase{"UnmountFails", {"sdb"}, true, "block_devices/sdb1", "org.freedesktop.UDisks2.Error.Failed",
                  RemovalResult::Failed, {"Unmount sdb1"}},
        EjectCase{"PowerOffRefused", {"sdb"}, true, "drives/Stick", "org.freedesktop.UDisks2.Error.NotAuthorized",
                  RemovalResult::Failed, {"Unmount sdb1", "Unmount sdb2", "PowerOff Stick"}},
        EjectCase{"UnknownDisk", {"sdd"}, true, nullptr, nullptr, RemovalResult::Failed, {}},
        EjectCase{"UnknownSecondDisk", {"sdb", "sdd"}, true, nullptr, nullptr, RemovalResult::Failed,
                  {"Unmount sdb1", "Unmount sdb2", "PowerOff Stick"}}),
    [](const ::testing::TestParamInfo<EjectCase>& c) { return std::string(c.param.name); });

TEST_F(Udisks2, NoServiceIsFailed) {
    Udisks2Ejector ejector(systemBus.get());
    EXPECT_EQ(ejector.eject({"sdb"}), RemovalResult::Failed);
}

// udisks2's objects with a property of the wrong type, in GVariant text; a
// null text stands for the template's well-formed object.
struct MalformedCase {
    const char* name;
    const char* block;       // sdb's Block properties
    const char* mountPoints;  // sdb's Filesystem MountPoints value
    const char* drive;       // the Stick's Drive properties
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class MalformedObjects : public Udisks2, public ::testing::WithParamInterface<MalformedCase> {
protected:
    void addObject(const std::string& path, const char* interface, const char* properties, const char* methods) {
        GVariant* parsedProperties = g_variant_parse(G_VARIANT_TYPE_VARDICT, properties, nullptr, nullptr, nullptr);
        GVariant* parsedMethods = g_variant_parse(G_VARIANT_TYPE("a(ssss)"), methods, nullptr, nullptr, nullptr);
        ASSERT_NE(parsedProperties, nullptr) << properties;
        ASSERT_NE(parsedMethods, nullptr) << methods;
        udisks2->control(kManager, "AddObject",
                         g_variant_new("(ss@a{sv}@a(ssss))", path.c_str(), interface, parsedProperties, parsedMethods));
    }
};

// A property udisks2 gives in a type it never uses is a "no": nothing is
// unmounted or powered off on a guess.
TEST_P(MalformedObjects, AreFailedWithNothingDone) {
    const MalformedCase& c = GetParam();
    startUdisks2();
    if (c.drive != nullptr)
        addObject(kStick, "org.freedesktop.UDisks2.Drive", c.drive,
                  "[('PowerOff', 'a{sv}', '', 'objects[\"/org/freedesktop/UDisks2\"].calls.append(\"PowerOff Stick\")')]");
    else
        addDrive("Stick", true);
    if (c.block != nullptr)
        addObject(blockPath("sdb"), "org.freedesktop.UDisks2.Block", c.block, "@a(ssss) []");
    else
        addBlock("sdb", kStick);
    if (c.mountPoints != nullptr) {
        GVariant* value = g_variant_parse(nullptr, c.mountPoints, nullptr, nullptr, nullptr);
        ASSERT_NE(value, nullptr) << c.mountPoints;
        udisks2->control(blockPath("sdb").c_str(), "AddProperty",
                         g_variant_new("(ssv)", "org.freedesktop.UDisks2.Filesystem", "MountPoints", value));
    } else {
        addFilesystem("sdb", "/media/user/STICK");
    }

    Udisks2Ejector ejector(systemBus.get());
    EXPECT_EQ(ejector.eject({"sdb"}), RemovalResult::Failed);
    EXPECT_EQ(calls(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Udisks2, MalformedObjects,
    ::testing::Values(
        MalformedCase{"DeviceAsText",
                      "{'Device': <'/dev/sdb'>, 'Drive': <objectpath '/org/freedesktop/UDisks2/drives/Stick'>}",
                      nullptr, nullptr},
        MalformedCase{"DriveAsText", "{'Device': <b'/dev/sdb'>, 'Drive': <'/org/freedesktop/UDisks2/drives/Stick'>}",
                      nullptr, nullptr},
        MalformedCase{"MountPointsAsText", nullptr, "'/media/user/STICK'", nullptr},
        MalformedCase{"CanPowerOffAsText", nullptr, nullptr, "{'CanPowerOff': <'yes'>}"},
        MalformedCase{"CanPowerOffMissing", nullptr, nullptr, "@a{sv} {}"}),
    [](const ::testing::TestParamInfo<MalformedCase>& c) { return std::string(c.param.name); });

// A service that answers GetManagedObjects with something else entirely.
TEST_F(Udisks2, ObjectListOfTheWrongTypeIsFailed) {
    DbusMock wrong(bus, "org.freedesktop.UDisks2",
                   {"org.freedesktop.UDisks2", kManager, "org.freedesktop.DBus.ObjectManager"});
    ASSERT_TRUE(wrong.running());
    wrong.control(kManager, "AddMethod",
                  g_variant_new("(sssss)", "", "GetManagedObjects", "", "a{sv}", "ret = {'sdb': 'mounted'}"));

    Udisks2Ejector ejector(systemBus.get());
    EXPECT_EQ(ejector.eject({"sdb"}), RemovalResult::Failed);
    EXPECT_EQ(wrong.callCount(kManager, "GetManagedObjects"), 1u);
}

}  // namespace
}  // namespace pivora::test
