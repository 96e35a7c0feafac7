#pragma once

namespace pivora::sim {

// Opens a hidraw node as open(2) does, or, where switchsim's Linux computer
// put the switch's controller, a SOCK_SEQPACKET socket in the node's place:
// connects to it, with the same status flags, which hands each report whole
// and one a read as hidraw does. A descriptor, or -1 with errno set.
int openSwitchsimNode(const char* path, int flags);

}  // namespace pivora::sim
