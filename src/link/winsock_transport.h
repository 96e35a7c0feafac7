#pragma once

#include <cstdint>
#include <memory>

#include "link/link_transport.h"

namespace pivora::link {

// The link over a TCP connection to 127.0.0.1, with Winsock. Holds its own
// WSAStartup for as long as it lives.
class WinsockTransport : public LinkTransport {
public:
    // Connected to 127.0.0.1:port, or null.
    static std::unique_ptr<WinsockTransport> connectLoopback(std::uint16_t port);
    // Takes over a connected SOCKET (an unsigned pointer-sized integer: this
    // header stays free of <winsock2.h>).
    explicit WinsockTransport(std::uintptr_t socket);
    ~WinsockTransport() override;
    WinsockTransport(const WinsockTransport&) = delete;
    WinsockTransport& operator=(const WinsockTransport&) = delete;

    bool send(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t receive(std::uint8_t* bytes, std::size_t capacity) override;
    void shutdown() override;

private:
    std::uintptr_t socket_;
    bool winsockStarted_ = false;
};

}  // namespace pivora::link
