#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/frame_writer.h"
#include "link/link_platform.h"
#include "link/posix_transport.h"
#include "platform/clock.h"
#include "platform/diagnostic_trace.h"
#include "switch_server.h"

namespace pivora::test {

// Limits for waiting on the real clock: generous, so a loaded machine passes;
// a correct run takes a small part of them.
constexpr std::chrono::milliseconds kPatience{5000};

// The wall clock, as the Windows build's clock is.
class SteadyClock : public Clock {
public:
    void sleep(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    std::uint32_t tickCount() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
};

// Calls `done` every few milliseconds until it holds or kPatience has passed.
inline bool eventually(const std::function<bool()>& done) {
    const auto limit = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The Hello frame of a client that is host `letter`.
inline std::vector<std::uint8_t> helloFrame(char letter) {
    link::FrameWriter frame(link::MessageType::Hello);
    frame.u8(link::kProtocolVersion);
    frame.u8(static_cast<std::uint8_t>(letter));
    frame.u8(sizeof(void*));
    return frame.finish();
}

// Hands a client of the simulator, without its socket, `bytes` as they
// arrived, and serves every frame they complete.
inline void deliver(switchsim::ClientConnection& client, const std::vector<std::uint8_t>& bytes) {
    client.receive(bytes.data(), bytes.size());
    while (client.serveNext()) {
    }
}

// Counts the device tree changes a link reports, on its receiving thread.
class TreeChanges {
public:
    void operator()() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    bool reach(int count) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return count_ >= count; });
    }
    int count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// The switch simulator on 127.0.0.1, a free port, serving on a thread of its own.
class ServerThread {
public:
    ServerThread() : server_(switchsim::SwitchServer::listen(0)) {
        if (server_) serving_ = std::thread([this] { server_->run(); });
    }
    ~ServerThread() {
        if (!server_) return;
        server_->stop();
        serving_.join();
    }
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    bool up() const { return server_ != nullptr; }
    std::uint16_t port() const { return server_->port(); }
    std::string execute(const std::string& line) { return server_->execute(line); }

private:
    std::unique_ptr<switchsim::SwitchServer> server_;
    std::thread serving_;
};

// One computer on the link: its seams, a real clock and its tree changes.
struct LinkedComputer {
    LinkedComputer(std::uint16_t port, char host)
        : link(link::PosixTransport::connectLoopback(port), host, clock, trace, std::ref(treeChanges)) {}

    SteadyClock clock;
    DiagnosticTrace trace;
    TreeChanges treeChanges;
    link::LinkPlatform link;
    Platform& platform = link.platform;
};

// The simulator with host A connected, and host B when asked.
class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.up());
        hostA = connect('A');
        ASSERT_TRUE(hostA->link.connection.connected());
    }

    std::unique_ptr<LinkedComputer> connect(char host) { return std::make_unique<LinkedComputer>(server.port(), host); }

    // A console command that must succeed.
    void command(const std::string& line) { ASSERT_EQ(server.execute(line).substr(0, 3), "ok ") << line; }
    std::string state() { return server.execute("state"); }
    // A fragment of the state's JSON, as seen within kPatience.
    bool stateShows(const std::string& fragment) {
        return eventually([&] { return state().find(fragment) != std::string::npos; });
    }

    ServerThread server;
    std::unique_ptr<LinkedComputer> hostA;
};

}  // namespace pivora::test
