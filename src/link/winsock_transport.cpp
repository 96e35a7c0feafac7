#include "link/winsock_transport.h"

// Lean <windows.h> leaves out the old winsock.h, so winsock2.h may follow it.
#include "platform/win32/windows_api.h"
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

namespace pivora::link {

static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t), "SOCKET");

namespace {
// One WSAStartup, undone with WSACleanup when its owner goes.
class WinsockUse {
public:
    WinsockUse() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockUse() {
        if (started_) WSACleanup();
    }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
    bool started() const { return started_; }

private:
    bool started_ = false;
};

SOCKET socketOf(std::uintptr_t socket) { return static_cast<SOCKET>(socket); }
}  // namespace

std::unique_ptr<WinsockTransport> WinsockTransport::connectLoopback(std::uint16_t port) {
    const WinsockUse winsock;  // for the connection; the transport holds one of its own
    if (!winsock.started()) return nullptr;
    SOCKET connected = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connected == INVALID_SOCKET) return nullptr;
    // Owned from here on, so that a failed connect closes it too.
    auto transport = std::make_unique<WinsockTransport>(static_cast<std::uintptr_t>(connected));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(connected, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return nullptr;
    // Every call waits for its answer: small frames must leave at once.
    const BOOL on = TRUE;
    setsockopt(connected, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return transport;
}

WinsockTransport::WinsockTransport(std::uintptr_t socket) : socket_(socket) {
    // Winsock counts its users: this one keeps it up for the socket's life.
    WSADATA data;
    winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockTransport::~WinsockTransport() {
    closesocket(socketOf(socket_));
    if (winsockStarted_) WSACleanup();
}

bool WinsockTransport::send(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const int chunk = static_cast<int>(std::min<std::size_t>(count, INT_MAX));
        const int sent = ::send(socketOf(socket_), reinterpret_cast<const char*>(bytes), chunk, 0);
        if (sent <= 0) return false;
        bytes += sent;
        count -= static_cast<std::size_t>(sent);
    }
    return true;
}

std::size_t WinsockTransport::receive(std::uint8_t* bytes, std::size_t capacity) {
    const int chunk = static_cast<int>(std::min<std::size_t>(capacity, INT_MAX));
    const int got = ::recv(socketOf(socket_), reinterpret_cast<char*>(bytes), chunk, 0);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

void WinsockTransport::shutdown() { ::shutdown(socketOf(socket_), SD_BOTH); }

}  // namespace pivora::link
