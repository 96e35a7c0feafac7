#include "platform/linux/udev_hwdb_names.h"

#include <libudev.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/linux/sysfs_attribute.h"

namespace pivora {

namespace {

struct UdevRelease {
    void operator()(udev* context) const { udev_unref(context); }
};
struct HwdbRelease {
    void operator()(udev_hwdb* hwdb) const { udev_hwdb_unref(hwdb); }
};

// A name from the database, bounded as any text read from the system.
std::string boundedName(const char* value) {
    if (value == nullptr) return std::string();
    return std::string(value, strnlen(value, kMaxAttributeSize));
}

}  // namespace

UsbIdNames UdevHwdbNames::lookup(std::uint16_t vendorId, std::uint16_t productId) {
    UsbIdNames names;
    const std::unique_ptr<udev, UdevRelease> context(udev_new());
    if (!context) return names;
    const std::unique_ptr<udev_hwdb, HwdbRelease> hwdb(udev_hwdb_new(context.get()));
    if (!hwdb) return names;

    // The database's USB keys spell the IDs in upper-case hex.
    char modalias[32];
    (void)std::snprintf(modalias, sizeof modalias, "usb:v%04Xp%04X*", static_cast<unsigned>(vendorId),
                        static_cast<unsigned>(productId));
    for (udev_list_entry* entry = udev_hwdb_get_properties_list_entry(hwdb.get(), modalias, 0); entry != nullptr;
         entry = udev_list_entry_get_next(entry)) {
        const char* key = udev_list_entry_get_name(entry);
        if (key == nullptr) continue;
        if (std::strcmp(key, "ID_VENDOR_FROM_DATABASE") == 0) names.vendor = boundedName(udev_list_entry_get_value(entry));
        if (std::strcmp(key, "ID_MODEL_FROM_DATABASE") == 0) names.model = boundedName(udev_list_entry_get_value(entry));
    }
    return names;
}

}  // namespace pivora
