#include "link/posix_transport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

namespace pivora::link {

bool sendAll(int socket, const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t sent = ::send(socket, bytes, count, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        bytes += sent;
        count -= static_cast<std::size_t>(sent);
    }
    return true;
}

std::unique_ptr<PosixTransport> PosixTransport::connectLoopback(std::uint16_t port) {
    PosixFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) return nullptr;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return nullptr;
    // Every call waits for its answer: small frames must leave at once.
    const int on = 1;
    ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return std::make_unique<PosixTransport>(std::move(socket));
}

bool PosixTransport::send(const std::uint8_t* bytes, std::size_t count) {
    return sendAll(socket_.get(), bytes, count);
}

std::size_t PosixTransport::receive(std::uint8_t* bytes, std::size_t capacity) {
    for (;;) {
        const ssize_t got = ::recv(socket_.get(), bytes, capacity, 0);
        if (got < 0 && errno == EINTR) continue;
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }
}

void PosixTransport::shutdown() { ::shutdown(socket_.get(), SHUT_RDWR); }

}  // namespace pivora::link
