#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pivora {

// Whether a filesystem is mounted, as far as its MountPoints tell.
enum class Mounted : std::uint8_t {
    No,
    Yes,
    Unknown,  // MountPoints missing or not an array of byte strings
};

// A block device udisks2 knows: its object, its device node, the drive it
// belongs to and, when it carries one, its filesystem.
struct Udisks2Block {
    std::string objectPath;
    std::string device;  // "/dev/sdb"; empty when not given as a byte string
    std::string drive;   // the drive's object path; "/" or empty when none
    bool hasFilesystem = false;
    Mounted mounted = Mounted::No;
};

// A drive udisks2 knows.
struct Udisks2Drive {
    std::string objectPath;
    bool canPowerOffKnown = false;  // CanPowerOff was there as a boolean
    bool canPowerOff = false;
};

struct Udisks2Objects {
    std::vector<Udisks2Block> blocks;  // ordered by device node
    std::vector<Udisks2Drive> drives;
};

// Reads the blocks and drives out of a GetManagedObjects reply, which must be
// of type (a{oa{sa{sv}}}); anything else reads as no objects. Properties of
// the wrong type read as absent, never as a guess.
Udisks2Objects readUdisks2Objects(GVariant* managedObjects);

}  // namespace pivora
