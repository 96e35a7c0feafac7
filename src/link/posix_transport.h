#pragma once

#include <cstdint>
#include <memory>

#include "link/link_transport.h"
#include "link/posix_fd.h"

namespace pivora::link {

// The link over a TCP connection to 127.0.0.1, with POSIX sockets.
class PosixTransport : public LinkTransport {
public:
    // Connected to 127.0.0.1:port, or null.
    static std::unique_ptr<PosixTransport> connectLoopback(std::uint16_t port);

    explicit PosixTransport(PosixFd socket) : socket_(std::move(socket)) {}

    bool send(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t receive(std::uint8_t* bytes, std::size_t capacity) override;
    void shutdown() override;

private:
    PosixFd socket_;
};

// Sends all `count` bytes on a blocking socket; false when the peer is gone.
bool sendAll(int socket, const std::uint8_t* bytes, std::size_t count);

}  // namespace pivora::link
