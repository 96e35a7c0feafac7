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

#include "link/frame_reader.h"
#include "link/posix_transport.h"

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
    : console_(switch_, [this](sim::Host host) { return connectionOf(host) != nullptr; }),
      listener_(std::move(listener)),
      wakeRead_(std::move(wakeRead)),
      wakeWrite_(std::move(wakeWrite)),
      port_(port),
      start_(std::chrono::steady_clock::now()) {
    for (sim::Host host : {sim::Host::A, sim::Host::B}) {
        switch_.computer(host).usb.onTreeChanged = [this, host] {
            if (Connection* connection = connectionOf(host)) connection->session->noteTreeChanged();
        };
    }
}

SwitchServer::~SwitchServer() = default;

void SwitchServer::run() {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(commandLock_);
            if (stopping_) break;
        }
        if (console_.quitRequested()) break;
        std::vector<pollfd> watched{{listener_.get(), POLLIN, 0}, {wakeRead_.get(), POLLIN, 0}};
        for (const auto& connection : connections_) watched.push_back({connection->socket.get(), POLLIN, 0});
        ::poll(watched.data(), watched.size(), pollTimeoutMs());
        advanceClock();
        if (watched[1].revents != 0) runCommands();
        for (std::size_t index = 2; index < watched.size(); ++index)
            if (watched[index].revents != 0) receive(*connections_[index - 2]);
        if (watched[0].revents != 0) accept();
        sendEvents();
        dropClosing();
    }
    for (const auto& connection : connections_) connection->closing = true;
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
    auto connection = std::make_unique<Connection>();
    connection->socket = std::move(socket);
    connections_.push_back(std::move(connection));
}

void SwitchServer::receive(Connection& connection) {
    std::array<std::uint8_t, kReceiveChunk> chunk;
    const ssize_t got = ::recv(connection.socket.get(), chunk.data(), chunk.size(), 0);
    if (got <= 0) {
        connection.closing = true;
        return;
    }
    connection.assembler.push(chunk.data(), static_cast<std::size_t>(got));
    while (!connection.closing) {
        link::Frame frame;
        const link::FrameAssembler::Result result = connection.assembler.next(frame);
        if (result == link::FrameAssembler::Result::NeedMore) break;
        if (result == link::FrameAssembler::Result::BadLength)
            refuse(connection, link::LinkError::BadLength, "frame length out of bounds");
        else
            take(connection, frame);
    }
}

void SwitchServer::take(Connection& connection, const link::Frame& frame) {
    advanceClock();
    if (!connection.session) {
        hello(connection, frame);
        return;
    }
    if (frame.type == static_cast<std::uint8_t>(link::MessageType::Hello)) {
        refuse(connection, link::LinkError::SecondHello, "second hello");
        return;
    }
    switch (connection.session->serve(frame)) {
        case HostSession::Outcome::Served:
            break;
        case HostSession::Outcome::UnknownType:
            refuse(connection, link::LinkError::UnknownType, "unknown frame type");
            break;
        case HostSession::Outcome::BadFields:
            refuse(connection, link::LinkError::BadFields, "malformed fields");
            break;
    }
}

void SwitchServer::hello(Connection& connection, const link::Frame& frame) {
    if (frame.type != static_cast<std::uint8_t>(link::MessageType::Hello)) {
        refuse(connection, link::LinkError::NoHello, "the first frame must be hello");
        return;
    }
    link::FrameReader reader(frame);
    const std::uint8_t version = reader.u8();
    const std::uint8_t letter = reader.u8();
    const std::uint8_t pointerWidth = reader.u8();
    if (!reader.complete()) return refuse(connection, link::LinkError::BadFields, "malformed hello");
    if (version != link::kProtocolVersion || pointerWidth != sizeof(void*))
        return refuse(connection, link::LinkError::WrongVersion, "protocol version or record layout differs");
    if (letter != 'A' && letter != 'B') return refuse(connection, link::LinkError::BadHost, "host must be A or B");
    const sim::Host host = letter == 'A' ? sim::Host::A : sim::Host::B;
    if (connectionOf(host) != nullptr) return refuse(connection, link::LinkError::HostTaken, "host already connected");
    connection.host = host;
    connection.session = std::make_unique<HostSession>(
        switch_.computer(host), [this, &connection](link::FrameWriter& out) { send(connection, out); });
    link::FrameWriter welcome(link::responseTo(link::MessageType::Hello));
    welcome.u8(link::kProtocolVersion);
    send(connection, welcome);
}

void SwitchServer::refuse(Connection& connection, link::LinkError error, const char* reason) {
    link::FrameWriter frame(link::MessageType::Error);
    frame.u8(static_cast<std::uint8_t>(error));
    frame.text(reason);
    send(connection, frame);
    connection.closing = true;
}

void SwitchServer::send(Connection& connection, link::FrameWriter& frame) {
    if (connection.closing) return;
    const std::vector<std::uint8_t>& bytes = frame.finish();
    if (!link::sendAll(connection.socket.get(), bytes.data(), bytes.size())) connection.closing = true;
}

void SwitchServer::sendEvents() {
    for (const auto& connection : connections_)
        if (connection->session && !connection->closing) connection->session->sendEvents();
    const auto ended = [](const std::unique_ptr<ServerIo>& io) { return io->ended(); };
    orphans_.erase(std::remove_if(orphans_.begin(), orphans_.end(), ended), orphans_.end());
}

void SwitchServer::dropClosing() {
    for (auto entry = connections_.begin(); entry != connections_.end();) {
        Connection& connection = **entry;
        if (!connection.closing) {
            ++entry;
            continue;
        }
        if (connection.session) {
            // What the model may still end outlives the session; then the
            // session gives back every handle, as the client's process ending would.
            for (auto& io : connection.session->takeUnendedIo()) orphans_.push_back(std::move(io));
            connection.session.reset();
        }
        entry = connections_.erase(entry);
    }
}

SwitchServer::Connection* SwitchServer::connectionOf(sim::Host host) {
    for (const auto& connection : connections_)
        if (connection->session && connection->host == host && !connection->closing) return connection.get();
    return nullptr;
}

}  // namespace pivora::switchsim
