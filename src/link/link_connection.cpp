#include "link/link_connection.h"

#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "link/frame_assembler.h"

namespace pivora::link {

namespace {
constexpr std::size_t kReceiveChunk = 4096;

bool isIoResponse(std::uint8_t type) {
    return type == static_cast<std::uint8_t>(responseTo(MessageType::ReadReport)) ||
           type == static_cast<std::uint8_t>(responseTo(MessageType::WriteReport));
}
}  // namespace

LinkConnection::LinkConnection(std::unique_ptr<LinkTransport> transport, char hostLetter, TreeChanged onTreeChanged)
    : transport_(std::move(transport)), onTreeChanged_(std::move(onTreeChanged)) {
    receiver_ = std::thread([this] { receiveFrames(); });
    FrameWriter hello(MessageType::Hello);
    hello.u8(kProtocolVersion);
    hello.u8(static_cast<std::uint8_t>(hostLetter));
    hello.u8(static_cast<std::uint8_t>(sizeof(void*)));
    const std::optional<Frame> welcome = call(hello);
    if (!welcome) return;
    FrameReader reader(*welcome);
    const bool sameVersion = reader.u8() == kProtocolVersion && reader.complete();
    std::lock_guard<std::mutex> lock(mutex_);
    welcomed_ = sameVersion;
}

LinkConnection::~LinkConnection() {
    transport_->shutdown();
    receiver_.join();
}

bool LinkConnection::connected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return welcomed_ && !down_;
}

std::string LinkConnection::refusal() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refusal_;
}

std::optional<Frame> LinkConnection::call(FrameWriter& request) {
    std::lock_guard<std::mutex> oneCall(callLock_);
    const std::vector<std::uint8_t>& bytes = request.finish();
    if (request.overflowed()) return std::nullopt;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (down_) return std::nullopt;
        waiting_ = true;
    }
    // A failed send shuts the stream; the receiving thread then takes the link down.
    if (!transport_->send(bytes.data(), bytes.size())) transport_->shutdown();
    std::unique_lock<std::mutex> lock(mutex_);
    answered_.wait(lock, [this] { return response_.has_value() || down_; });
    waiting_ = false;
    std::optional<Frame> response = std::exchange(response_, std::nullopt);
    if (response && response->type != static_cast<std::uint8_t>(responseTo(request.type()))) return std::nullopt;
    return response;
}

std::int32_t LinkConnection::callForResult(FrameWriter& request, std::int32_t failure) {
    const std::optional<Frame> response = call(request);
    if (!response) return failure;
    FrameReader reader(*response);
    const std::int32_t result = reader.i32();
    return reader.complete() ? result : failure;
}

std::int32_t LinkConnection::callForBuffer(FrameWriter& request, void* buffer, std::uint32_t size) {
    const std::optional<Frame> response = call(request);
    if (!response) return 0;
    FrameReader reader(*response);
    const std::int32_t result = reader.i32();
    reader.bufferInto(buffer, size);
    return reader.complete() ? result : 0;
}

std::uint64_t LinkConnection::lendIo(IoRecord* record, std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t operation = nextOperation_++;
    lent_[operation] = LentIo{record, buffer, length};
    return operation;
}

void LinkConnection::endIoUnanswered(std::uint64_t operation) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = lent_.find(operation);
    if (found == lent_.end()) return;
    writeOutcome(found->second, kStatusDeviceNotConnected, 0, BufferArg{});
    lent_.erase(found);
}

void LinkConnection::receiveFrames() {
    FrameAssembler assembler;
    std::array<std::uint8_t, kReceiveChunk> chunk{};
    for (;;) {
        Frame frame;
        const FrameAssembler::Result result = assembler.next(frame);
        if (result == FrameAssembler::Result::BadLength) break;
        if (result == FrameAssembler::Result::Ready) {
            if (!dispatch(frame)) break;
            continue;
        }
        const std::size_t got = transport_->receive(chunk.data(), chunk.size());
        if (got == 0) break;
        assembler.push(chunk.data(), got);
    }
    goDown();
}

bool LinkConnection::dispatch(Frame& frame) {
    switch (static_cast<MessageType>(frame.type)) {
        case MessageType::IoEnded: {
            FrameReader reader(frame);
            applyIo(reader, false);
            return reader.complete();
        }
        case MessageType::TreeChanged:
            if (onTreeChanged_) onTreeChanged_();
            return frame.payload.empty();
        case MessageType::Error: {
            FrameReader reader(frame);
            reader.u8();
            std::lock_guard<std::mutex> lock(mutex_);
            refusal_ = reader.text().value;
            return false;
        }
        default:
            break;
    }
    if (isIoResponse(frame.type)) {
        // Applied here, in the order of the stream, so that an end that
        // follows the response can never be overwritten by it.
        FrameReader reader(frame);
        applyIo(reader, true);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!waiting_ || response_) return false;  // a response nobody asked for
    response_ = std::move(frame);
    answered_.notify_all();
    return true;
}

void LinkConnection::applyIo(FrameReader& reader, bool responseToCall) {
    const std::uint64_t operation = reader.u64();
    const std::uint64_t status = reader.u64();
    const std::uint64_t count = reader.u64();
    const BufferArg bytes = reader.buffer(kMaxReportBytes);
    const bool inFlight = responseToCall && reader.u8() != 0;
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = lent_.find(operation);
    if (found == lent_.end()) return;
    writeOutcome(found->second, static_cast<std::uintptr_t>(status), static_cast<std::uintptr_t>(count), bytes);
    if (!inFlight) lent_.erase(found);
}

void LinkConnection::writeOutcome(const LentIo& io, std::uintptr_t status, std::uintptr_t count,
                                  const BufferArg& bytes) {
    if (io.buffer != nullptr && bytes.present && bytes.size <= io.length)
        std::memcpy(io.buffer, bytes.bytes.data(), bytes.size);
    // As the driver does: the bytes, then the count, then the status that
    // tells the caller both are there.
    io.record->internalHigh = count;
    std::atomic_thread_fence(std::memory_order_release);
    io.record->internal = status;
}

void LinkConnection::goDown() {
    transport_->shutdown();
    std::lock_guard<std::mutex> lock(mutex_);
    down_ = true;
    for (const auto& entry : lent_) writeOutcome(entry.second, kStatusDeviceNotConnected, 0, BufferArg{});
    lent_.clear();
    answered_.notify_all();
}

}  // namespace pivora::link
