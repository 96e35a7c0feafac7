#include "platform/linux/udisks2_ejector.h"

#include <algorithm>
#include <cstring>

#include "platform/linux/udisks2_objects.h"

namespace pivora {
namespace {

constexpr const char* kService = "org.freedesktop.UDisks2";
constexpr const char* kBusyError = "org.freedesktop.UDisks2.Error.DeviceBusy";
// An unmount flushes what is still cached for the disk, which on a slow
// stick takes a while; every other call answers at once.
constexpr int kUnmountTimeoutMs = 30000;
constexpr int kCallTimeoutMs = 5000;

struct CallResult {
    GVariantHandle reply;
    GErrorHandle error;
};

CallResult call(GDBusConnection* bus, const std::string& objectPath, const char* interface, const char* method,
                GVariant* parameters, const GVariantType* replyType, int timeoutMs) {
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, kService, objectPath.c_str(), interface, method, parameters,
                                                  replyType, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, &error);
    return CallResult{GVariantHandle(reply), GErrorHandle(error)};
}

// udisks2's methods take a dictionary of options; none is wanted here.
GVariant* noOptions() { return g_variant_new("(a{sv})", nullptr); }

bool isRemoteError(const GError* error, const char* name) {
    const GCharHandle remote(g_dbus_error_get_remote_error(error));
    return remote && std::strcmp(remote.get(), name) == 0;
}

}  // namespace

Udisks2Ejector::Udisks2Ejector(GDBusConnection* systemBus)
    : bus_(static_cast<GDBusConnection*>(g_object_ref(systemBus))) {}

RemovalResult Udisks2Ejector::eject(const std::vector<std::string>& disks) {
    for (const std::string& disk : disks) {
        const RemovalResult result = ejectDisk(disk);
        if (result != RemovalResult::Removed) return result;
    }
    return RemovalResult::Removed;
}

RemovalResult Udisks2Ejector::ejectDisk(const std::string& disk) {
    const CallResult managed = call(bus_.get(), "/org/freedesktop/UDisks2", "org.freedesktop.DBus.ObjectManager",
                                    "GetManagedObjects", nullptr, G_VARIANT_TYPE("(a{oa{sa{sv}}})"), kCallTimeoutMs);
    if (!managed.reply) return RemovalResult::Failed;
    const Udisks2Objects objects = readUdisks2Objects(managed.reply.get());

    const std::string device = "/dev/" + disk;
    const auto block = std::find_if(objects.blocks.begin(), objects.blocks.end(),
                                    [&](const Udisks2Block& candidate) { return candidate.device == device; });
    if (block == objects.blocks.end()) return RemovalResult::Failed;
    const auto drive = std::find_if(objects.drives.begin(), objects.drives.end(),
                                    [&](const Udisks2Drive& candidate) { return candidate.objectPath == block->drive; });
    if (drive == objects.drives.end() || !drive->canPowerOffKnown) return RemovalResult::Failed;

    std::vector<std::string> mounted;
    for (const Udisks2Block& onDrive : objects.blocks) {
        if (onDrive.drive != drive->objectPath || !onDrive.hasFilesystem) continue;
        // A filesystem that may be mounted must not be powered off under it.
        if (onDrive.mounted == Mounted::Unknown) return RemovalResult::Failed;
        if (onDrive.mounted == Mounted::Yes) mounted.push_back(onDrive.objectPath);
    }
    for (const std::string& filesystem : mounted) {
        const RemovalResult result = unmount(filesystem);
        if (result != RemovalResult::Removed) return result;
    }
    return drive->canPowerOff ? powerOff(drive->objectPath) : RemovalResult::Removed;
}

RemovalResult Udisks2Ejector::unmount(const std::string& blockPath) {
    const CallResult unmounted = call(bus_.get(), blockPath, "org.freedesktop.UDisks2.Filesystem", "Unmount",
                                      noOptions(), G_VARIANT_TYPE_UNIT, kUnmountTimeoutMs);
    if (unmounted.reply) return RemovalResult::Removed;
    return isRemoteError(unmounted.error.get(), kBusyError) ? RemovalResult::Busy : RemovalResult::Failed;
}

RemovalResult Udisks2Ejector::powerOff(const std::string& drivePath) {
    const CallResult poweredOff = call(bus_.get(), drivePath, "org.freedesktop.UDisks2.Drive", "PowerOff",
                                       noOptions(), G_VARIANT_TYPE_UNIT, kCallTimeoutMs);
    return poweredOff.reply ? RemovalResult::Removed : RemovalResult::Failed;
}

}  // namespace pivora
