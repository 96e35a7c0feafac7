#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "handle_table.h"
#include "hid_operations.h"
#include "link/frame.h"
#include "link/frame_reader.h"
#include "link/frame_writer.h"
#include "sim/sim_computer.h"
#include "sim/virtual_clock.h"

namespace pivora::switchsim {

// One client's seams served by its computer in the model. Each request is
// read whole and checked before anything of it reaches the model; then the
// call is made as the client's platform would make it, on buffers and
// records of the server's own, and its response sent.
//
// The removal of a device that takes time to be removed is held: the
// request waits, checked, until that time has passed on the model's clock,
// then reaches the model and is answered. The client, whose caller waits for
// the answer as CM_Request_Device_EjectA makes it wait, is served nothing
// else meanwhile; the other computer and the console are served as ever.
class HostSession {
public:
    using Send = std::function<void(link::FrameWriter&)>;
    // Held: the request is served later (see above), and nothing after it
    // until then.
    enum class Outcome { Served, Held, UnknownType, BadFields };

    HostSession(sim::SimComputer& computer, sim::VirtualClock& clock, Send send)
        : computer_(computer), clock_(clock), send_(std::move(send)) {}
    // Gives back every handle the client still held, as its process ending would.
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    Outcome serve(const link::Frame& request);
    // A request is held, waiting for its time.
    bool holding() const { return held_ != nullptr; }
    // The end of every operation that has ended, then a tree change if one came.
    void sendEvents();
    void noteTreeChanged() { treeChanged_ = true; }
    // The operations still in flight, which must outlive the session while
    // the model may write them: taken before it goes.
    std::vector<std::unique_ptr<ServerIo>> takeUnendedIo() { return operations_.takeAll(); }

private:
    using Type = link::MessageType;
    using Reader = link::FrameReader;
    using Writer = link::FrameWriter;

    // One per seam: Served with the response written, or why not. Nothing
    // reaches the model unless the request is complete.
    Outcome serveInterfaces(Type type, Reader& request, Writer& response);
    Outcome serveHid(Type type, Reader& request, Writer& response);
    Outcome serveHidIo(Type type, Reader& request, Writer& response);
    Outcome serveHubs(Type type, Reader& request, Writer& response);
    Outcome serveRemoval(Type type, Reader& request, Writer& response);
    Outcome serveSpooler(Type type, Reader& request, Writer& response);
    Outcome serveRegistry(Type type, Reader& request, Writer& response);

    // A call that gives back the handle the request names: `release` makes
    // it and writes its result, and the number is forgotten. A number of
    // another kind keeps its handle, to be given back by its own call.
    template <typename Release>
    Outcome releaseNamed(Reader& request, HandleKind kind, Release release) {
        const std::uint64_t number = request.u64();
        if (!request.complete()) return Outcome::BadFields;
        const OsHandle handle = handles_.find(number, kind);
        release(handle);
        if (handle != nullptr) handles_.forget(number);
        return Outcome::Served;
    }

    // Keeps `request` until `ms` have passed on the model's clock, then serves it.
    void hold(const link::Frame& request, std::uint32_t ms);

    sim::SimComputer& computer_;
    sim::VirtualClock& clock_;
    Send send_;
    // The request held, shared only with the clock's event that serves it:
    // an event outliving the session finds it gone.
    std::shared_ptr<link::Frame> held_;
    // How long the request serveRemoval has just found slow must wait.
    std::uint32_t holdMs_ = 0;
    bool servingHeld_ = false;
    HandleTable handles_;
    HidOperations operations_;
    bool treeChanged_ = false;
};

}  // namespace pivora::switchsim
