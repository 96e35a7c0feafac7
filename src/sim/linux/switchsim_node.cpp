#include "sim/linux/switchsim_node.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "link/posix_fd.h"

namespace pivora::sim {

int openSwitchsimNode(const char* path, int flags) {
    const int opened = ::open(path, flags);
    // open(2) of a socket says ENXIO: the node is switchsim's.
    if (opened >= 0 || errno != ENXIO) return opened;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path, length);
    const int type = SOCK_SEQPACKET | ((flags & O_NONBLOCK) != 0 ? SOCK_NONBLOCK : 0) |
                     ((flags & O_CLOEXEC) != 0 ? SOCK_CLOEXEC : 0);
    link::PosixFd node(::socket(AF_UNIX, type, 0));
    if (!node) return -1;
    // A non-blocking connect to a listening local socket completes at once
    // or fails; it never stays in progress.
    if (::connect(node.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int failure = errno;
        node = link::PosixFd();
        errno = failure;
        return -1;
    }
    return node.release();
}

}  // namespace pivora::sim
