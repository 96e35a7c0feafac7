#include "platform/linux/udisks2_objects.h"

#include <algorithm>
#include <utility>

#include "platform/linux/gio_handles.h"

namespace pivora {
namespace {

constexpr const char* kBlockInterface = "org.freedesktop.UDisks2.Block";
constexpr const char* kFilesystemInterface = "org.freedesktop.UDisks2.Filesystem";
constexpr const char* kDriveInterface = "org.freedesktop.UDisks2.Drive";

GVariantHandle lookup(GVariant* dictionary, const char* key, const GVariantType* type) {
    return GVariantHandle(g_variant_lookup_value(dictionary, key, type));
}

Mounted mountedOf(GVariant* filesystem) {
    const GVariantHandle mountPoints = lookup(filesystem, "MountPoints", G_VARIANT_TYPE_BYTESTRING_ARRAY);
    if (!mountPoints) return Mounted::Unknown;
    return g_variant_n_children(mountPoints.get()) > 0 ? Mounted::Yes : Mounted::No;
}

void readObject(const char* objectPath, GVariant* interfaces, Udisks2Objects& objects) {
    if (const GVariantHandle block = lookup(interfaces, kBlockInterface, G_VARIANT_TYPE_VARDICT)) {
        Udisks2Block read;
        read.objectPath = objectPath;
        if (const GVariantHandle device = lookup(block.get(), "Device", G_VARIANT_TYPE_BYTESTRING))
            read.device = g_variant_get_bytestring(device.get());
        if (const GVariantHandle drive = lookup(block.get(), "Drive", G_VARIANT_TYPE_OBJECT_PATH))
            read.drive = g_variant_get_string(drive.get(), nullptr);
        if (const GVariantHandle filesystem = lookup(interfaces, kFilesystemInterface, G_VARIANT_TYPE_VARDICT)) {
            read.hasFilesystem = true;
            read.mounted = mountedOf(filesystem.get());
        }
        objects.blocks.push_back(std::move(read));
    }
    if (const GVariantHandle drive = lookup(interfaces, kDriveInterface, G_VARIANT_TYPE_VARDICT)) {
        Udisks2Drive read;
        read.objectPath = objectPath;
        if (const GVariantHandle canPowerOff = lookup(drive.get(), "CanPowerOff", G_VARIANT_TYPE_BOOLEAN)) {
            read.canPowerOffKnown = true;
            read.canPowerOff = g_variant_get_boolean(canPowerOff.get()) != FALSE;
        }
        objects.drives.push_back(std::move(read));
    }
}

}  // namespace

Udisks2Objects readUdisks2Objects(GVariant* managedObjects) {
    Udisks2Objects objects;
    if (managedObjects == nullptr || !g_variant_is_of_type(managedObjects, G_VARIANT_TYPE("(a{oa{sa{sv}}})")))
        return objects;
    const GVariantHandle byPath(g_variant_get_child_value(managedObjects, 0));
    const gsize count = g_variant_n_children(byPath.get());
    for (gsize i = 0; i < count; ++i) {
        const GVariantHandle entry(g_variant_get_child_value(byPath.get(), i));
        const GVariantHandle path(g_variant_get_child_value(entry.get(), 0));
        const GVariantHandle interfaces(g_variant_get_child_value(entry.get(), 1));
        readObject(g_variant_get_string(path.get(), nullptr), interfaces.get(), objects);
    }
    // The reply's order is the service's hash order; a fixed order makes the
    // unmounts of one drive happen the same way every time.
    std::sort(objects.blocks.begin(), objects.blocks.end(),
              [](const Udisks2Block& a, const Udisks2Block& b) { return a.device < b.device; });
    return objects;
}

}  // namespace pivora
