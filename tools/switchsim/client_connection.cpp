#include "client_connection.h"

#include <algorithm>

#include "link/frame_reader.h"

namespace pivora::switchsim {

ClientConnection::ClientConnection(sim::SimulatedSwitch& simulated, HostTaken hostTaken, OrphanedIo& orphans,
                                   std::size_t queueLimit)
    : switch_(simulated), hostTaken_(std::move(hostTaken)), orphans_(orphans), queueLimit_(queueLimit) {}

ClientConnection::~ClientConnection() {
    if (!session_) return;
    // What the model may still end outlives the session, which then gives
    // back every handle.
    for (auto& io : session_->takeUnendedIo()) orphans_.push_back(std::move(io));
}

void ClientConnection::receive(const std::uint8_t* bytes, std::size_t count) {
    if (!closing_) assembler_.push(bytes, count);
}

bool ClientConnection::serveNext() {
    if (closing_ || holding()) return false;
    link::Frame frame;
    switch (assembler_.next(frame)) {
        case link::FrameAssembler::Result::NeedMore:
            return false;
        case link::FrameAssembler::Result::BadLength:
            refuse(link::LinkError::BadLength, "frame length out of bounds");
            return true;
        case link::FrameAssembler::Result::Ready:
            break;
    }
    if (!session_) {
        hello(frame);
        return true;
    }
    if (frame.type == static_cast<std::uint8_t>(link::MessageType::Hello)) {
        refuse(link::LinkError::SecondHello, "second hello");
        return true;
    }
    switch (session_->serve(frame)) {
        case HostSession::Outcome::Served:
        case HostSession::Outcome::Held:
            break;
        case HostSession::Outcome::UnknownType:
            refuse(link::LinkError::UnknownType, "unknown frame type");
            break;
        case HostSession::Outcome::BadFields:
            refuse(link::LinkError::BadFields, "malformed fields");
            break;
    }
    return true;
}

void ClientConnection::hello(const link::Frame& frame) {
    if (frame.type != static_cast<std::uint8_t>(link::MessageType::Hello))
        return refuse(link::LinkError::NoHello, "the first frame must be hello");
    link::FrameReader reader(frame);
    const std::uint8_t version = reader.u8();
    const std::uint8_t letter = reader.u8();
    const std::uint8_t pointerWidth = reader.u8();
    if (!reader.complete()) return refuse(link::LinkError::BadFields, "malformed hello");
    if (version != link::kProtocolVersion || pointerWidth != sizeof(void*))
        return refuse(link::LinkError::WrongVersion, "protocol version or record layout differs");
    if (letter != 'A' && letter != 'B') return refuse(link::LinkError::BadHost, "host must be A or B");
    const sim::Host host = letter == 'A' ? sim::Host::A : sim::Host::B;
    if (hostTaken_(host)) return refuse(link::LinkError::HostTaken, "host already connected");
    host_ = host;
    session_ = std::make_unique<HostSession>(switch_.computer(host), switch_.clock,
                                             [this](link::FrameWriter& out) { queue(out); });
    link::FrameWriter welcome(link::responseTo(link::MessageType::Hello));
    welcome.u8(link::kProtocolVersion);
    queue(welcome);
}

void ClientConnection::refuse(link::LinkError error, const char* reason) {
    link::FrameWriter frame(link::MessageType::Error);
    frame.u8(static_cast<std::uint8_t>(error));
    frame.text(reason);
    queue(frame);
    closing_ = true;
}

void ClientConnection::sendEvents() {
    if (session_ && !closing_) session_->sendEvents();
}

void ClientConnection::noteTreeChanged() {
    if (session_) session_->noteTreeChanged();
}

std::optional<sim::Host> ClientConnection::host() const {
    if (!session_ || closing_) return std::nullopt;
    return host_;
}

void ClientConnection::queue(link::FrameWriter& frame) {
    if (closing_) return;
    const std::vector<std::uint8_t>& bytes = frame.finish();
    if (output_.size() + bytes.size() > queueLimit_) {
        closing_ = true;
        return;
    }
    output_.insert(output_.end(), bytes.begin(), bytes.end());
}

void ClientConnection::sent(std::size_t count) {
    output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(std::min(count, output_.size())));
}

}  // namespace pivora::switchsim
