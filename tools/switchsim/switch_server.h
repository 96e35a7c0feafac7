#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "client_connection.h"
#include "console.h"
#include "linux_computer.h"
#include "link/posix_fd.h"
#include "sim/simulated_switch.h"

namespace pivora::switchsim {

// The switch simulator: one simulated switch, in real time, serving the two
// computers' links on one listening socket on 127.0.0.1. Everything that
// touches the model runs on the thread that calls run(): the connections,
// the clock, and the console commands other threads hand in with execute().
// The model's clock follows the wall clock: before each step it is advanced
// to the milliseconds elapsed since the start, running what fell due. What
// a client is sent waits in its connection's queue until its socket takes
// it, so a client that stops reading holds up no one but itself. Nothing
// here ever waits for the model: a device's slow removal holds its client's
// request on the clock (HostSession), and the thread goes on serving.
class SwitchServer {
public:
    // Listening on 127.0.0.1:port (0: a free port), or null.
    static std::unique_ptr<SwitchServer> listen(std::uint16_t port);
    ~SwitchServer();
    SwitchServer(const SwitchServer&) = delete;
    SwitchServer& operator=(const SwitchServer&) = delete;

    std::uint16_t port() const { return port_; }

    // `host` is a Linux computer from now on (LinuxComputer): empty, or why
    // it cannot be. Before run().
    std::string serveLinux(sim::Host host);

    // Serves until stop() or the console's quit.
    void run();
    // Ends run() soon; from any thread.
    void stop();
    // Runs one console command on the serving thread and returns its answer;
    // from any thread. After run() has ended: an error.
    std::string execute(const std::string& line);

private:
    struct Connection {
        Connection(link::PosixFd connected, SwitchServer& server);

        link::PosixFd socket;
        ClientConnection client;
    };
    struct Command {
        std::string line;
        std::promise<std::string> answer;
    };
    // Only listen() makes a server.
    struct Key {
        explicit Key() = default;
    };

public:
    SwitchServer(Key, link::PosixFd listener, link::PosixFd wakeRead, link::PosixFd wakeWrite, std::uint16_t port);

private:

    void advanceClock();
    int pollTimeoutMs() const;
    void accept();
    void receive(Connection& connection);
    // Serves every whole frame the connection has received, unless it is
    // closing or its request is held.
    void serveReceived(Connection& connection);
    // Writes what the socket takes now of the connection's queue.
    void flush(Connection& connection);
    void wake();
    void runCommands();
    void sendEvents();
    void dropClosing();
    Connection* connectionOf(sim::Host host);
    // Whether the program on `host` is connected to the switch: its link,
    // or on the Linux computer its controller's node open.
    bool connected(sim::Host host);

    sim::SimulatedSwitch switch_;
    Console console_;
    link::PosixFd listener_;
    link::PosixFd wakeRead_;
    link::PosixFd wakeWrite_;
    std::uint16_t port_;
    std::chrono::steady_clock::time_point start_;
    // Before the connections, which leave their operations to it.
    OrphanedIo orphans_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::unique_ptr<LinuxComputer> linuxComputer_;

    std::mutex commandLock_;
    std::deque<Command> commands_;
    bool stopping_ = false;
    bool finished_ = false;
};

}  // namespace pivora::switchsim
