#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "platform/os_handle.h"

namespace pivora::switchsim {

// Which seam gave a handle out, and so which call gives it back.
enum class HandleKind { Hid, InterfaceSet, Hub, Printer, RegistryKey };

// The handles one connection holds, under numbers of its own: a client sees
// numbers, never the model's handles, and a number of another connection, of
// another kind, or already closed names no handle at all.
class HandleTable {
public:
    // The number for `handle`; 0 for none.
    std::uint64_t add(HandleKind kind, OsHandle handle);
    // The handle, or nullptr when `number` names no handle of that kind.
    OsHandle find(std::uint64_t number, HandleKind kind) const;
    void forget(std::uint64_t number) { handles_.erase(number); }
    // Every handle still held, oldest first, the table left empty.
    std::vector<std::pair<HandleKind, OsHandle>> takeAll();

private:
    std::map<std::uint64_t, std::pair<HandleKind, OsHandle>> handles_;
    std::uint64_t next_ = 1;
};

}  // namespace pivora::switchsim
