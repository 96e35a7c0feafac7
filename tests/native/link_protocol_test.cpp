#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "controller/report_catalogue.h"
#include "link/frame_assembler.h"
#include "link/frame_writer.h"
#include "link_fixture.h"
#include "platform/byte_order.h"
#include "sim/sim_hid_devices.h"

namespace pivora::test {
namespace {

using link::FrameWriter;
using link::LinkError;
using link::MessageType;
using Bytes = std::vector<std::uint8_t>;

Bytes finished(FrameWriter& frame) { return frame.finish(); }

Bytes hello(std::uint8_t version, std::uint8_t letter, std::uint8_t pointerWidth) {
    FrameWriter frame(MessageType::Hello);
    frame.u8(version);
    frame.u8(letter);
    frame.u8(pointerWidth);
    return finished(frame);
}

// `frame` with `extra` bytes after its fields, its length prefix grown to match.
Bytes extended(Bytes frame, const Bytes& extra) {
    frame.insert(frame.end(), extra.begin(), extra.end());
    writeLe32(frame.data(), static_cast<std::uint32_t>(frame.size() - link::kLengthPrefixBytes));
    return frame;
}

// `frame` without its last `count` bytes, its length prefix shrunk to match.
Bytes truncated(Bytes frame, std::size_t count) {
    frame.resize(frame.size() - count);
    writeLe32(frame.data(), static_cast<std::uint32_t>(frame.size() - link::kLengthPrefixBytes));
    return frame;
}

// Two frames back to back.
Bytes joined(Bytes first, const Bytes& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

Bytes lengthPrefix(std::uint32_t length) {
    Bytes prefix(link::kLengthPrefixBytes + 1, 0);
    writeLe32(prefix.data(), length);
    return prefix;
}

Bytes classDevs(std::uint8_t interfaceClass) {
    FrameWriter frame(MessageType::GetClassDevs);
    frame.u8(interfaceClass);
    frame.u32(kDigcfPresent | kDigcfDeviceInterface);
    return finished(frame);
}

Bytes openKey(const char* path) {
    FrameWriter frame(MessageType::OpenKey);
    frame.text(path);
    return finished(frame);
}

// An overlapped I/O on device 1 (the controller, opened by the prelude);
// without its buffer, only the report's length sent, when not `withBuffer`.
Bytes io(MessageType type, std::uint64_t operation, const Bytes& report, bool withBuffer = true) {
    FrameWriter frame(type);
    frame.u64(1);
    frame.u64(operation);
    frame.buffer(withBuffer ? report.data() : nullptr, static_cast<std::uint32_t>(report.size()));
    frame.u8(1);
    frame.u64(kIssuing);  // internal, as the caller left it
    frame.u64(0);
    frame.u32(0);
    frame.u32(0);
    frame.u64(0);
    return finished(frame);
}

// Stores 04B4:120D in slot 0 of the controller's registry: seen in the state if it gets through.
Bytes storePortId(std::size_t length) {
    Bytes report{2, code::StorePortId, 0x01, 0xB4, 0x04, 0x0D, 0x12, 0};
    report.resize(length, 0);
    return io(MessageType::WriteReport, 1, report);
}

Bytes unknownType(std::uint8_t type) {
    FrameWriter frame(static_cast<MessageType>(type));
    return finished(frame);
}

// Bytes a client sends after its hello as B and the opening of its controller.
Bytes prelude() {
    FrameWriter open(MessageType::OpenHidDevice);
    open.text(sim::SimHidDevices::kControllerPath);
    open.i32(1);
    return joined(hello(link::kProtocolVersion, 'B', sizeof(void*)), finished(open));
}

struct MalformedCase {
    const char* name;
    bool afterPrelude;
    Bytes (*frames)();
    LinkError error;
};

const MalformedCase kMalformed[] = {
    {"ZeroLength", false, [] { return lengthPrefix(0); }, LinkError::BadLength},
    {"LengthOverTheBound", false, [] { return lengthPrefix(link::kMaxFrameBytes + 1); }, LinkError::BadLength},
    {"RequestBeforeHello", false, [] { return classDevs(0); }, LinkError::NoHello},
    {"TruncatedHello", false, [] { return truncated(hello(link::kProtocolVersion, 'B', sizeof(void*)), 1); },
     LinkError::BadFields},
    {"OtherVersion", false, [] { return hello(link::kProtocolVersion + 1, 'B', sizeof(void*)); },
     LinkError::WrongVersion},
    {"OtherPointerWidth", false, [] { return hello(link::kProtocolVersion, 'B', 4); }, LinkError::WrongVersion},
    {"UnknownHost", false, [] { return hello(link::kProtocolVersion, 'C', sizeof(void*)); }, LinkError::BadHost},
    {"HostAlreadyConnected", false, [] { return hello(link::kProtocolVersion, 'A', sizeof(void*)); },
     LinkError::HostTaken},
    {"SecondHello", true, [] { return hello(link::kProtocolVersion, 'B', sizeof(void*)); }, LinkError::SecondHello},
    {"UnknownType", true, [] { return unknownType(0x7E); }, LinkError::UnknownType},
    {"AResponseType", true, [] { return unknownType(0x90); }, LinkError::UnknownType},
    {"AnEventType", true, [] { return unknownType(0x70); }, LinkError::UnknownType},
    {"ByteLeftOver", true, [] { return extended(classDevs(0), {0}); }, LinkError::BadFields},
    {"InterfaceClassOutOfRange", true, [] { return classDevs(3); }, LinkError::BadFields},
    {"TruncatedText", true, [] { return truncated(openKey("SYSTEM"), 2); }, LinkError::BadFields},
    {"TerminatorInsideText", true,
     [] { return extended(unknownType(static_cast<std::uint8_t>(MessageType::OpenKey)), {1, 3, 0, 'S', 0, 'Y'}); },
     LinkError::BadFields},
    {"TextOverTheBound", true,
     [] {
         Bytes text{1, 0x01, 0x04};  // 1025 bytes
         text.resize(text.size() + 1025, 'a');
         return extended(unknownType(static_cast<std::uint8_t>(MessageType::OpenHubDevice)), text);
     },
     LinkError::BadFields},
    {"BufferOverTheBound", true,
     [] {
         FrameWriter frame(MessageType::IoControl);
         frame.u64(1);
         frame.u32(0x220408);
         frame.buffer(nullptr, 0);
         Bytes buffer{1, 0, 0, 0, 0};
         writeLe32(&buffer[1], link::kMaxBufferBytes + 1);
         buffer.resize(buffer.size() + link::kMaxBufferBytes + 1, 0);
         return extended(finished(frame), buffer);
     },
     LinkError::BadFields},
    {"ReportOverTheBound", true, [] { return storePortId(link::kMaxReportBytes + 1); }, LinkError::BadFields},
    {"ReportLengthOverTheBoundWithoutItsBuffer", true,
     [] { return io(MessageType::ReadReport, 1, Bytes(link::kMaxReportBytes + 1), false); }, LinkError::BadFields},
    {"WriteWithAByteLeftOver", true, [] { return extended(storePortId(8), {0}); }, LinkError::BadFields},
    {"RecordOfAnotherSize", true,
     [] {
         FrameWriter frame(MessageType::GetAttributes);
         frame.u64(1);
         const Bytes record(sizeof(HidAttributesRecord) - 1, 0);
         frame.buffer(record.data(), static_cast<std::uint32_t>(record.size()));
         return finished(frame);
     },
     LinkError::BadFields},
    {"OperationAlreadyInFlight", true,
     [] { return joined(io(MessageType::ReadReport, 7, Bytes(8)), io(MessageType::ReadReport, 7, Bytes(8))); },
     LinkError::BadFields},
};

// A client of its own, speaking raw frames.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : transport_(link::PosixTransport::connectLoopback(port)) {}

    bool send(const Bytes& bytes) { return transport_ && transport_->send(bytes.data(), bytes.size()); }

    // Every frame the server sends until it closes the connection, or until
    // kPatience has passed (then the last is not an Error frame).
    std::vector<link::Frame> framesUntilClosed() {
        auto reading = std::async(std::launch::async, [this] {
            std::vector<link::Frame> frames;
            link::FrameAssembler assembler;
            std::array<std::uint8_t, 4096> chunk;
            for (;;) {
                link::Frame frame;
                const link::FrameAssembler::Result result = assembler.next(frame);
                if (result == link::FrameAssembler::Result::Ready) {
                    frames.push_back(frame);
                    continue;
                }
                const std::size_t got = result == link::FrameAssembler::Result::NeedMore
                                            ? transport_->receive(chunk.data(), chunk.size())
                                            : 0;
                if (got == 0) return frames;
                assembler.push(chunk.data(), got);
            }
        });
        if (reading.wait_for(kPatience) != std::future_status::ready) transport_->shutdown();
        return reading.get();
    }

private:
    std::unique_ptr<link::PosixTransport> transport_;
};

class MalformedFrame : public LinkTest, public ::testing::WithParamInterface<MalformedCase> {};

TEST_P(MalformedFrame, GetsAnErrorFrameAndTheConnectionDroppedWithTheModelUnchanged) {
    const std::string before = state();
    RawClient client(server.port());
    ASSERT_TRUE(client.send(joined(GetParam().afterPrelude ? prelude() : Bytes(), GetParam().frames())));

    const std::vector<link::Frame> frames = client.framesUntilClosed();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.back().type, static_cast<std::uint8_t>(MessageType::Error));
    ASSERT_FALSE(frames.back().payload.empty());
    EXPECT_EQ(frames.back().payload[0], static_cast<std::uint8_t>(GetParam().error));
    // A write that got through would have reached the controller by now.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(state(), before);
    // The host that was there is still served.
    EXPECT_TRUE(hostA->link.connection.connected());
}

INSTANTIATE_TEST_SUITE_P(Frames, MalformedFrame, ::testing::ValuesIn(kMalformed),
                         [](const ::testing::TestParamInfo<MalformedCase>& param) { return std::string(param.param.name); });

TEST_F(LinkTest, ASecondClientForAHostIsToldWhyItIsRefused) {
    const std::unique_ptr<LinkedComputer> second = connect('A');
    EXPECT_FALSE(second->link.connection.connected());
    EXPECT_EQ(second->link.connection.refusal(), "host already connected");
    OsHandle key = nullptr;
    EXPECT_NE(second->platform.registry.openLocalMachineKey("SYSTEM", &key), 0) << "no call goes through";
    EXPECT_TRUE(hostA->link.connection.connected());
}

// The control for the table: the same write, well formed, changes the state.
TEST_F(LinkTest, AWellFormedWriteReachesTheModel) {
    RawClient client(server.port());
    ASSERT_TRUE(client.send(joined(prelude(), storePortId(8))));
    EXPECT_TRUE(stateShows(R"("slots":[{"vid":"04B4","pid":"120D"})"));
}

}  // namespace
}  // namespace pivora::test
