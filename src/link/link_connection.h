#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/frame.h"
#include "link/frame_reader.h"
#include "link/frame_writer.h"
#include "link/link_transport.h"
#include "platform/io_record.h"

namespace pivora::link {

// One computer's connection to the switch simulator. Calls go one at a time
// (a lock serialises callers); a receiving thread of its own takes every
// frame in order: it hands each response to its caller and applies each
// event as Windows would, an ended HID operation written into the caller's
// record and buffer, a device tree change passed to `onTreeChanged` (called
// on that thread). When the link goes down, every HID operation still lent
// ends with STATUS_DEVICE_NOT_CONNECTED and every later call fails.
// `onTreeChanged` must not call through the link: only the receiving thread
// it runs on could deliver that call's response.
class LinkConnection {
public:
    using TreeChanged = std::function<void()>;

    // Says Hello as host `hostLetter` ('A' or 'B') and waits for the answer.
    LinkConnection(std::unique_ptr<LinkTransport> transport, char hostLetter, TreeChanged onTreeChanged);
    ~LinkConnection();
    LinkConnection(const LinkConnection&) = delete;
    LinkConnection& operator=(const LinkConnection&) = delete;

    // Welcomed by the simulator and still up.
    bool connected() const;
    // The reason of the simulator's Error frame, once one came.
    std::string refusal() const;

    // One seam call: the request sent and its response awaited. Nothing when
    // the link is down, the request breaks a bound of the link, or what came
    // back is not this request's response.
    std::optional<Frame> call(FrameWriter& request);
    // A call whose response is one i32: that, or `failure`.
    std::int32_t callForResult(FrameWriter& request, std::int32_t failure);
    // A call whose response is one i32 and the caller's `size` bytes at
    // `buffer` as the call left them: the i32, or 0.
    std::int32_t callForBuffer(FrameWriter& request, void* buffer, std::uint32_t size);

    // An overlapped read or write about to be asked for: the receiving thread
    // writes its outcome into `record` (and, for a read, `buffer`) from the
    // call's response on, until it has ended. Returns its operation number.
    std::uint64_t lendIo(IoRecord* record, std::uint8_t* buffer, std::uint32_t length);
    // Ends a lent operation whose call got no response, as the device gone.
    void endIoUnanswered(std::uint64_t operation);

private:
    struct LentIo {
        IoRecord* record;
        std::uint8_t* buffer;  // null for a write
        std::uint32_t length;
    };

    void receiveFrames();
    bool dispatch(Frame& frame);
    // The IoEnded fields at the reader: written into the operation's record.
    // `ended` false: the operation stays lent (a response saying in flight).
    void applyIo(FrameReader& reader, bool responseToCall);
    static void writeOutcome(const LentIo& io, std::uintptr_t status, std::uintptr_t count, const BufferArg& bytes);
    void goDown();

    std::unique_ptr<LinkTransport> transport_;
    TreeChanged onTreeChanged_;
    std::mutex callLock_;

    mutable std::mutex mutex_;
    std::condition_variable answered_;
    bool welcomed_ = false;
    bool down_ = false;
    bool waiting_ = false;
    std::optional<Frame> response_;
    std::string refusal_;
    std::map<std::uint64_t, LentIo> lent_;
    std::uint64_t nextOperation_ = 1;

    std::thread receiver_;  // last: started once everything it uses exists
};

}  // namespace pivora::link
