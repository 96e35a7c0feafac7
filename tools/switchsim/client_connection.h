#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "host_session.h"
#include "link/frame_assembler.h"
#include "sim/simulated_switch.h"

namespace pivora::switchsim {

// Operations of connections gone that the model may still end: kept by the
// server until each has ended.
using OrphanedIo = std::vector<std::unique_ptr<ServerIo>>;

// One client of the simulator, without its socket: the bytes it sent go in,
// the frames for it come out in a queue of bounded size. The first frame
// must be a Hello naming a free host; after it each request is served by
// that host's computer. A frame that cannot be taken whole gets one Error
// frame, nothing of it reaches the model, and the connection is closing:
// nothing it sends is served any more and nothing more is queued for it.
// A client that stops reading is dropped the same way (without an Error
// frame, which it would not read) once its queue would outgrow the bound.
class ClientConnection {
public:
    // Whether another connection holds `host` now.
    using HostTaken = std::function<bool(sim::Host)>;

    // What waits for a client that reads slowly: a few of the largest frames.
    static constexpr std::size_t kMaxQueuedBytes = 8 * link::kMaxFrameBytes;

    // `orphans` outlives the connection: it takes the operations the model
    // has not ended when the connection goes.
    ClientConnection(sim::SimulatedSwitch& simulated, HostTaken hostTaken, OrphanedIo& orphans,
                     std::size_t queueLimit = kMaxQueuedBytes);
    // Gives back every handle the client still held, as its process ending would.
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // Bytes as they arrived; kept until served. Ignored once closing.
    void receive(const std::uint8_t* bytes, std::size_t count);
    // Serves the next whole frame received: the Hello, a request, or the
    // refusal of either. False when no whole frame waits, when closing, or
    // while a request is held (HostSession): the client waits for its answer.
    bool serveNext();
    // Queues the end of every HID operation that has ended and a tree change
    // if one came, once the client is welcomed.
    void sendEvents();
    void noteTreeChanged();
    bool holding() const { return session_ && session_->holding(); }

    // The host the client was welcomed as, while it is not closing.
    std::optional<sim::Host> host() const;
    bool closing() const { return closing_; }
    // The client is gone, or its socket failed.
    void close() { closing_ = true; }

    // The frames queued for the client and not yet written out, whole, in order.
    const std::vector<std::uint8_t>& output() const { return output_; }
    // The first `count` bytes of output() have been written out.
    void sent(std::size_t count);

private:
    void hello(const link::Frame& frame);
    void refuse(link::LinkError error, const char* reason);
    void queue(link::FrameWriter& frame);

    sim::SimulatedSwitch& switch_;
    HostTaken hostTaken_;
    OrphanedIo& orphans_;
    std::size_t queueLimit_;
    link::FrameAssembler assembler_;
    std::unique_ptr<HostSession> session_;
    sim::Host host_ = sim::Host::A;
    bool closing_ = false;
    std::vector<std::uint8_t> output_;
};

}  // namespace pivora::switchsim
