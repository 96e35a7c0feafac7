#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace pivora {

// Whether a process of this user (our own effective uid) has one of these
// character devices open: each /proc/<pid>/fd/* is matched by the device
// number of what it leads to, whatever name it was opened by.
bool heldOpenByThisUser(const std::string& procRoot, const std::vector<dev_t>& nodes);

}  // namespace pivora
