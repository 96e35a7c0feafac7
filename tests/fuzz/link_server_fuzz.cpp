// switchsim's side of the link, as one client drives it: the bytes the
// client sends, in pieces of any size, go through the connection's own path
// (frames cut from the stream, the Hello, each seam served, the refusal that
// drops the client) against a simulated switch that goes on in virtual time
// between the pieces. A malformed or refused frame must leave the model as
// it was and end the connection with one Error frame; nothing after it is
// served; every frame sent is one the protocol knows, within its bounds;
// and when the connection goes, every handle it held is given back and
// every HID operation left in flight still ends.
//
// Input: one byte of setup (see Setup), then steps until the input ends,
// each a byte choosing what happens and what that step takes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "client_connection.h"
#include "console.h"
#include "fuzz_input.h"
#include "link/frame_assembler.h"
#include "link/frame_reader.h"
#include "link_server_frames.h"
#include "model_observation.h"
#include "platform/byte_order.h"
#include "sim/simulated_switch.h"

namespace pivora::fuzz {
namespace {

using link::MessageType;
using switchsim::ClientConnection;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "link_server: %s\n", what);
    std::abort();
}

constexpr std::size_t kMaxPiece = 8192;
// Longer than any operation the model keeps in flight after its handle is
// closed (the late cancel below).
constexpr std::uint64_t kSettleMs = 1000;
constexpr std::uint32_t kCancelLatencyMs = 40;
// The smallest frame: its length prefix and its type.
constexpr std::size_t kSmallestFrame = link::kLengthPrefixBytes + 1;

// What the console may do to the switch between two pieces.
constexpr std::array<const char*, 14> kCommands{
    "plug 2 04e8 6860 Galaxy Phone",
    "plug 3 0781 5567 Cruzer Blade",
    "unplug 2",
    "busy 2 on",
    "busy 2 off",
    "controller A unplug",
    "controller A plug",
    "controller B unplug",
    "controller B plug",
    "clear 1f",
    "form four",
    "form two",
    "printer A Office Laser 03f0 2b17",
    "job A Office Laser 3",
};

// The first byte: how the switch behaves in this run.
struct Setup {
    explicit Setup(FuzzInput& input) {
        const std::uint8_t bits = input.u8();
        const std::uint8_t held = bits & 0x03;
        if (held == 1) heldElsewhere = sim::Host::A;
        if (held == 2) heldElsewhere = sim::Host::B;
        playsPeers = (bits & 0x04) != 0;
        lateCancel = (bits & 0x08) != 0;
        cancelledReadTakesReport = (bits & 0x10) != 0;
        writesNeverComplete = (bits & 0x20) != 0;
        readsFail = (bits & 0x80) != 0;
        // A small queue, so that a client that stops reading is dropped soon.
        if ((bits & 0x40) != 0) queueLimit = kSmallestFrame + input.u16() % 4096;
    }

    std::optional<sim::Host> heldElsewhere;  // by a client this run does not play
    bool playsPeers;
    bool lateCancel;
    bool cancelledReadTakesReport;
    bool writesNeverComplete;
    bool readsFail;
    std::size_t queueLimit = ClientConnection::kMaxQueuedBytes;
};

class LinkServerRun {
public:
    explicit LinkServerRun(FuzzInput& input)
        : input_(input), setup_(input), console_(switch_, [](sim::Host) { return false; }) {
        for (const sim::Host host : {sim::Host::A, sim::Host::B}) {
            switch_.computer(host).usb.onTreeChanged = [this, host] {
                if (client_ && client_->host() == host) client_->noteTreeChanged();
            };
            sim::SimHidDevices& hid = switch_.computer(host).hid;
            if (setup_.lateCancel)
                hid.setCancelLatency(kCancelLatencyMs, setup_.cancelledReadTakesReport
                                                           ? sim::SimHidDevices::LateCancel::TakesReport
                                                           : sim::SimHidDevices::LateCancel::Cancelled);
            if (setup_.writesNeverComplete) hid.setWriteMode(sim::SimHidDevices::WriteMode::NeverComplete);
            hid.failReads(setup_.readsFail);
            if (setup_.playsPeers) switch_.firmware.playPeer(host);
        }
        connect();
    }

    void run() {
        while (!input_.empty()) {
            switch (input_.u8() % 8) {
                case 4:
                    advance(input_.u16());
                    break;
                case 5:
                    // Refused commands (nothing on that port, say) are part of the run too.
                    console_.execute(kCommands[input_.below(static_cast<std::uint32_t>(kCommands.size()))]);
                    break;
                case 6:
                    reading_ = !reading_;
                    readOutput();
                    break;
                case 7:
                    disconnect();
                    connect();
                    break;
                default:
                    deliver(input_.bytes(kMaxPiece));
                    break;
            }
        }
        disconnect();
    }

private:
    void connect() {
        const std::optional<sim::Host> held = setup_.heldElsewhere;
        client_ = std::make_unique<ClientConnection>(
            switch_, [held](sim::Host host) { return held == host; }, orphans_, setup_.queueLimit);
        sent_ = link::FrameAssembler();
        checked_ = 0;
        reading_ = true;
        welcomed_ = false;
        inFlight_.clear();
    }

    // A piece of the stream the client sends, and every frame it completes.
    void deliver(const std::vector<std::uint8_t>& piece) {
        if (client_->closing()) {
            const ModelObservation before = observe(switch_, console_);
            const std::size_t queued = client_->output().size();
            client_->receive(piece.data(), piece.size());
            require(!client_->serveNext(), "a frame is served after the connection closed");
            require(observe(switch_, console_) == before, "a closed connection reached the model");
            require(client_->output().size() == queued, "a closed connection was sent a frame");
            return;
        }
        client_->receive(piece.data(), piece.size());
        sent_.push(piece.data(), piece.size());
        for (;;) {
            const ModelObservation before = observe(switch_, console_);
            const std::size_t fromByte = checked_;
            if (!client_->serveNext()) break;
            link::Frame frame;
            const link::FrameAssembler::Result cut = sent_.next(frame);
            require(cut != link::FrameAssembler::Result::NeedMore, "a frame was served before it was whole");
            const std::vector<link::Frame> answers = readOutput(fromByte);
            if (client_->closing())
                checkEnd(cut, frame, answers, before);
            else
                checkAnswer(frame, answers);
        }
        link::Frame unserved;
        require(client_->closing() || sent_.next(unserved) == link::FrameAssembler::Result::NeedMore,
                "a whole frame was left unserved");
    }

    // A frame served: answered with its response, and nothing else.
    void checkAnswer(const link::Frame& frame, const std::vector<link::Frame>& answers) {
        require(answers.size() == 1, "a request served without exactly one response");
        const link::Frame& answer = answers.front();
        require(answer.type == static_cast<std::uint8_t>(link::responseTo(static_cast<MessageType>(frame.type))),
                "a response of another type");
        if (!welcomed_) {
            require(frame.type == static_cast<std::uint8_t>(MessageType::Hello), "served before a hello");
            require(answer.payload == std::vector<std::uint8_t>{link::kProtocolVersion}, "a welcome of another version");
            require(client_->host().has_value() && client_->host() != setup_.heldElsewhere,
                    "welcomed as a host held by another client");
            welcomed_ = true;
        }
    }

    // A frame the connection ended on: refused with one Error frame, the model
    // as it was; or its answer did not fit in the small queue of this run, and
    // the client was dropped with nothing more sent.
    void checkEnd(link::FrameAssembler::Result cut, const link::Frame& frame, const std::vector<link::Frame>& answers,
                  const ModelObservation& before) {
        if (answers.empty()) {
            require(setup_.queueLimit < ClientConnection::kMaxQueuedBytes,
                    "dropped without an Error frame while its queue had room");
            return;
        }
        require(answers.size() == 1 && answers.front().type == static_cast<std::uint8_t>(MessageType::Error),
                "a refusal that is not one Error frame");
        require(observe(switch_, console_) == before, "a refused frame reached the model");
        const auto error = static_cast<link::LinkError>(answers.front().payload.front());
        if (cut == link::FrameAssembler::Result::BadLength)
            require(error == link::LinkError::BadLength, "a bad length refused as something else");
        else if (!welcomed_)
            require(error != link::LinkError::SecondHello && error != link::LinkError::UnknownType,
                    "a first frame refused as a request");
        else if (frame.type == static_cast<std::uint8_t>(MessageType::Hello))
            require(error == link::LinkError::SecondHello, "a second hello refused as something else");
    }

    // The whole frames queued since byte `fromByte` of the output, each
    // checked against the protocol, and taken by the client if it reads.
    std::vector<link::Frame> readOutput(std::size_t fromByte) {
        const std::vector<std::uint8_t>& output = client_->output();
        std::vector<link::Frame> frames;
        std::size_t at = fromByte;
        while (at < output.size()) {
            require(output.size() - at >= kSmallestFrame, "a frame queued without its type");
            const std::uint32_t length = readLe32(&output[at]);
            require(length >= 1 && length <= link::kMaxFrameBytes, "a frame length out of the protocol's bounds");
            require(output.size() - at - link::kLengthPrefixBytes >= length, "a frame queued in part");
            const auto first = output.begin() + static_cast<std::ptrdiff_t>(at + link::kLengthPrefixBytes);
            link::Frame frame;
            frame.type = *first;
            frame.payload.assign(first + 1, first + static_cast<std::ptrdiff_t>(length));
            require(wellFormedServerFrame(frame), "a frame sent that the protocol does not lay out so");
            noteIo(frame);
            frames.push_back(std::move(frame));
            at += link::kLengthPrefixBytes + length;
        }
        checked_ = at;
        if (reading_) {
            client_->sent(output.size());
            checked_ = 0;
        }
        return frames;
    }
    std::vector<link::Frame> readOutput() { return readOutput(checked_); }

    // Each HID operation the server says is in flight ends once, and only those.
    void noteIo(const link::Frame& frame) {
        const bool io = frame.type == static_cast<std::uint8_t>(link::responseTo(MessageType::ReadReport)) ||
                        frame.type == static_cast<std::uint8_t>(link::responseTo(MessageType::WriteReport));
        const bool ended = frame.type == static_cast<std::uint8_t>(MessageType::IoEnded);
        if (!io && !ended) return;
        link::FrameReader reader(frame);
        const std::uint64_t operation = reader.u64();
        if (ended) {
            require(inFlight_.erase(operation) == 1, "the end of an operation not in flight");
            return;
        }
        reader.u64();
        reader.u64();
        reader.buffer(link::kMaxReportBytes);
        if (reader.u8() != 0) require(inFlight_.insert(operation).second, "an operation in flight twice");
    }

    // The switch goes on for `ms`; then the connection sends what has ended.
    void advance(std::uint32_t ms) {
        switch_.clock.runUntil(switch_.clock.now() + ms);
        const bool closing = client_->closing();
        const std::size_t queued = client_->output().size();
        client_->sendEvents();
        require(!closing || client_->output().size() == queued, "an event sent after the connection closed");
        for (const link::Frame& event : readOutput())
            require(event.type == static_cast<std::uint8_t>(MessageType::IoEnded) ||
                        event.type == static_cast<std::uint8_t>(MessageType::TreeChanged),
                    "something other than an event sent between requests");
        const auto ended = [](const std::unique_ptr<switchsim::ServerIo>& io) { return io->ended(); };
        orphans_.erase(std::remove_if(orphans_.begin(), orphans_.end(), ended), orphans_.end());
    }

    // The client goes: its session gives back every handle, once, and every
    // operation it left in flight ends.
    void disconnect() {
        const std::size_t queued = client_->output().size();
        client_->close();
        client_->sendEvents();
        require(client_->output().size() == queued, "a frame queued after the client went");
        std::vector<std::uint64_t> badReleases;
        for (const sim::Host host : {sim::Host::A, sim::Host::B}) badReleases.push_back(badReleasesOf(host));
        client_.reset();
        for (const sim::Host host : {sim::Host::A, sim::Host::B}) {
            const sim::SimComputer& computer = switch_.computer(host);
            require(computer.hid.handlesOpen() == 0 && computer.interfaces.setsOpen() == 0 &&
                        computer.usb.handlesOpen() == 0 && computer.spooler.printersOpen() == 0 &&
                        computer.registry.keysOpen() == 0,
                    "a handle the session opened is still held after it ended");
            require(badReleasesOf(host) == badReleases[static_cast<std::size_t>(host)],
                    "the session's end gave back a handle it did not hold");
        }
        switch_.clock.runUntil(switch_.clock.now() + kSettleMs);
        for (const auto& io : orphans_) require(io->ended(), "an operation of a connection gone never ends");
        orphans_.clear();
    }

    std::uint64_t badReleasesOf(sim::Host host) {
        const sim::SimComputer& computer = switch_.computer(host);
        return static_cast<std::uint64_t>(computer.hid.badReleases() + computer.interfaces.badReleases() +
                                          computer.usb.badReleases() + computer.spooler.badReleases() +
                                          computer.registry.badReleases());
    }

    FuzzInput& input_;
    Setup setup_;
    sim::SimulatedSwitch switch_;
    switchsim::Console console_;
    // Before the connection, which leaves its operations in flight to it.
    switchsim::OrphanedIo orphans_;
    std::unique_ptr<ClientConnection> client_;
    // The client's stream cut as the connection should cut it.
    link::FrameAssembler sent_;
    // Bytes at the start of the connection's output already checked.
    std::size_t checked_ = 0;
    bool reading_ = true;
    bool welcomed_ = false;
    std::set<std::uint64_t> inFlight_;
};

}  // namespace
}  // namespace pivora::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pivora::fuzz::FuzzInput input(data, size);
    pivora::fuzz::LinkServerRun(input).run();
    return 0;
}
