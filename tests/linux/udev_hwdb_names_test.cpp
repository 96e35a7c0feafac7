#include <gtest/gtest.h>
#include <libudev.h>

#include <memory>

#include "platform/linux/udev_hwdb_names.h"

namespace pivora {
namespace {

// Whether this machine has a hardware database for udev to open.
bool machineHasHwdb() {
    const std::unique_ptr<udev, udev*(*)(udev*)> context(udev_new(), udev_unref);
    if (!context) return false;
    udev_hwdb* hwdb = udev_hwdb_new(context.get());
    const bool present = hwdb != nullptr;
    if (present) udev_hwdb_unref(hwdb);
    return present;
}

// The Linux Foundation's root hub is in every copy of the database; a
// machine without one knows no names at all rather than failing.
TEST(UdevHwdbNames, NamesTheRootHubWhereTheDatabaseExists) {
    UdevHwdbNames names;
    const UsbIdNames root = names.lookup(0x1d6b, 0x0002);
    if (machineHasHwdb()) {
        EXPECT_EQ(root.vendor, "Linux Foundation");
        EXPECT_EQ(root.model, "2.0 root hub");
    } else {
        EXPECT_EQ(root.vendor, "");
        EXPECT_EQ(root.model, "");
    }
    const UsbIdNames unknown = names.lookup(0xfffe, 0xfffe);
    EXPECT_EQ(unknown.model, "");
}

}  // namespace
}  // namespace pivora
