#pragma once

#include <gio/gio.h>

#include <string>
#include <vector>

#include "platform/linux/gio_handles.h"
#include "platform/linux/storage_ejector.h"

namespace pivora {

// Ejects disks through udisks2, as the desktop's own eject does: every
// mounted filesystem on the disk's drive unmounted, then the drive powered
// off when udisks2 says it can be. Each call waits for udisks2's answer, a
// bounded time, on the calling thread; none needs a main loop running.
class Udisks2Ejector : public StorageEjector {
public:
    // `systemBus`: the bus udisks2 is on (the system bus in the program).
    explicit Udisks2Ejector(GDBusConnection* systemBus);

    RemovalResult eject(const std::vector<std::string>& disks) override;

private:
    RemovalResult ejectDisk(const std::string& disk);
    RemovalResult unmount(const std::string& blockPath);
    RemovalResult powerOff(const std::string& drivePath);

    GObjectHandle<GDBusConnection> bus_;
};

}  // namespace pivora
