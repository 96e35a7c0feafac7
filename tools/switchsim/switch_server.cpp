#include "switch_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace pivora::switchsim {

namespace {
constexpr int kBacklog = 8;
constexpr int kLongestPollMs = 100;
constexpr std::size_t kReceiveChunk = 4096;
}  // namespace

std::unique_ptr<SwitchServer> SwitchServer::listen(std::uint16_t port) {
    link::PosixFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener) return nullptr;
    const int on = 1;
    ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);  // never reachable from another machine
    socklen_t length = sizeof address;
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), kBacklog) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return nullptr;
    std::array<int, 2> pipe{-1, -1};
    if (::pipe2(pipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    return std::make_unique<SwitchServer>(Key(), std::move(listener), link::PosixFd(pipe[0]), link::PosixFd(pipe[1]),
                                          ntohs(address.sin_port));
}

SwitchServer::SwitchServer(Key, link::PosixFd listener, link::PosixFd wakeRead, link::PosixFd wakeWrite,
                           std::uint16_t port)
    : console_(switch_, [this](sim::Host host) { return connected(host); }),
      listener_(std::move(listener)),
      wakeRead_(std::move(wakeRead)),
      wakeWrite_(std::move(wakeWrite)),
      port_(port),
      start_(std::chrono::steady_clock::now()) {
    for (sim::Host host : {sim::Host::A, sim::Host::B}) {
        switch_.computer(host).usb.onTreeChanged = [this, host] {
            if (Connection* connection = connectionOf(host)) connection->client.noteTreeChanged();
        };
    }
}

SwitchServer::~SwitchServer() = default;

std::string SwitchServer::serveLinux(sim::Host host) {
    std::string why;
    linuxComputer_ = LinuxComputer::start(switch_, host, why);
    if (!linuxComputer_) return why;
    LinuxComputer& computer = *linuxComputer_;
    switch_.computer(host).usb.onTreeChanged = [&computer] { computer.sync(); };
    switch_.firmware.connectOutlet([this, &computer](sim::Host to, const sim::WireReport& report) {
        if (to == computer.host())
            computer.deliver(report);
        else
            switch_.computer(to).hid.deliverInput(report);
    });
    console_.serveLinux(&computer);
    return {};
}

SwitchServer::Connection::Connection(link::PosixFd connected, SwitchServer& server)
    : socket(std::move(connected)),
      client(server.switch_, [&server](sim::Host host) { return server.connected(host); },
             server.orphans_) {}

void SwitchServer::run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(commandLock_);
            if (stopping_) break;
        }
        if (console_.quitRequested()) break;
        std::vector<pollfd> watched{{listener_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        for (const auto& connection : connections_) {
            const bool queued = !connection->client.output().empty();
            // While its request is held, what a client sends waits in its socket.
            const bool reading = !connection->client.holding();
            watched.push_back({connection->socket.get(),
                               static_cast<short>((reading ? POLLIN : 0) | (queued ? POLLOUT : 0)), 0});
        }
        const std::size_t linuxFirst = watched.size();
        if (linuxComputer_) linuxComputer_->watch(watched);
        ::poll(watched.data(), watched.size(), pollTimeoutMs());
        advanceClock();
        // A request held until now has been answered: what its client sent
        // before that is served in turn.
        for (const auto& connection : connections_) serveReceived(*connection);
        if (watched[1].revents != 0) runCommands();
        for (std::size_t index = 2; index < linuxFirst; ++index)
            if ((watched[index].revents & ~POLLOUT) != 0) receive(*connections_[index - 2]);
        if (linuxComputer_) linuxComputer_->serve(watched, linuxFirst);
        if (watched[0].revents != 0) accept();
        sendEvents();
        for (const auto& connection : connections_) flush(*connection);
        dropClosing();
    }
    for (const auto& connection : connections_) connection->client.close();
    dropClosing();
    std::lock_guard<std::mutex> lock(commandLock_);
    finished_ = true;
    for (Command& command : commands_) command.answer.set_value("error the simulator has stopped");
    commands_.clear();
}

void SwitchServer::stop() {
    std::lock_guard<std::mutex> lock(commandLock_);
    stopping_ = true;
    wake();
}

std::string SwitchServer::execute(const std::string& line) {
    std::future<std::string> answer;
    {
        std::lock_guard<std::mutex> lock(commandLock_);
        if (finished_) return "error the simulator has stopped";
        commands_.push_back(Command{line, {}});
        answer = commands_.back().answer.get_future();
        wake();
    }
    return answer.get();
}

void SwitchServer::wake() {
    const std::uint8_t byte = 1;
    // A full pipe already wakes the server.
    static_cast<void>(::write(wakeWrite_.get(), &byte, 1));
}

void SwitchServer::runCommands() {
    std::array<std::uint8_t, 64> drained;
    while (::read(wakeRead_.get(), drained.data(), drained.size()) > 0) {
    }
    std::deque<Command> due;
    {
        std::lock_guard<std::mutex> lock(commandLock_);
        due.swap(commands_);
    }
    for (Command& command : due) command.answer.set_value(console_.execute(command.line));
}

void SwitchServer::advanceClock() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    switch_.clock.runUntil(
        static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
}

int SwitchServer::pollTimeoutMs() const {
    const std::optional<std::uint64_t> next = switch_.clock.nextEventTime();
    if (!next) return kLongestPollMs;
    const std::uint64_t now = switch_.clock.now();
    return *next <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(*next - now, kLongestPollMs));
}

void SwitchServer::accept() {
    link::PosixFd socket(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!socket) return;
    const int on = 1;
    ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    connections_.push_back(std::make_unique<Connection>(std::move(socket), *this));
}

void SwitchServer::receive(Connection& connection) {
    std::array<std::uint8_t, kReceiveChunk> chunk;
    const ssize_t got = ::recv(connection.socket.get(), chunk.data(), chunk.size(), MSG_DONTWAIT);
    if (got < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got <= 0) {
        connection.client.close();
        return;
    }
    connection.client.receive(chunk.data(), static_cast<std::size_t>(got));
    serveReceived(connection);
}

void SwitchServer::serveReceived(Connection& connection) {
    // Each frame meets the model as it is at that moment.
    do {
        advanceClock();
    } while (connection.client.serveNext());
}

void SwitchServer::flush(Connection& connection) {
    const std::vector<std::uint8_t>& queued = connection.client.output();
    while (!queued.empty()) {
        const ssize_t sent = ::send(connection.socket.get(), queued.data(), queued.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // the rest once the socket has room
        if (sent <= 0) {
            connection.client.close();
            return;
        }
        connection.client.sent(static_cast<std::size_t>(sent));
    }
}

void SwitchServer::sendEvents() {
    for (const auto& connection : connections_) connection->client.sendEvents();
    const auto ended = [](const std::unique_ptr<ServerIo>& io) { return io->ended(); };
    orphans_.erase(std::remove_if(orphans_.begin(), orphans_.end(), ended), orphans_.end());
}

void SwitchServer::dropClosing() {
    // A closing connection's last frames (its Error frame, say) went out with
    // the flush before, as far as its socket took them.
    const auto closing = [](const std::unique_ptr<Connection>& connection) { return connection->client.closing(); };
    connections_.erase(std::remove_if(connections_.begin(), connections_.end(), closing), connections_.end());
}

bool SwitchServer::connected(sim::Host host) {
    if (linuxComputer_ && linuxComputer_->host() == host) return linuxComputer_->connected();
    return connectionOf(host) != nullptr;
}

SwitchServer::Connection* SwitchServer::connectionOf(sim::Host host) {
    for (const auto& connection : connections_)
        if (connection->client.host() == host) return connection.get();
    return nullptr;
}

}  // namespace pivora::switchsim
