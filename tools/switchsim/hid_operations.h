#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "link/frame_writer.h"
#include "link/protocol.h"
#include "platform/io_record.h"

namespace pivora::switchsim {

// One overlapped read or write a client asked for, carried out on the
// server's own record and buffer: the model writes these, never the
// client's memory. Never moved, and never freed while the model may still
// write it.
struct ServerIo {
    IoRecord record{};
    std::array<std::uint8_t, link::kMaxReportBytes> buffer{};
    std::uint32_t length = 0;
    bool read = false;

    bool ended() const { return static_cast<std::uint32_t>(record.internal) != kStatusPending; }
    // The IoEnded fields: the record's words and, for a read that moved
    // bytes, those bytes.
    void writeOutcome(std::uint64_t operation, link::FrameWriter& frame) const;
};

// The operations of one connection that the model has taken and not yet ended.
class HidOperations {
public:
    bool inFlight(std::uint64_t operation) const { return operations_.count(operation) != 0; }
    void keep(std::uint64_t operation, std::unique_ptr<ServerIo> io) { operations_[operation] = std::move(io); }
    // Sends IoEnded for each operation that has ended, and forgets it.
    template <typename Send>
    void sendEnded(Send send) {
        for (auto entry = operations_.begin(); entry != operations_.end();) {
            if (!entry->second->ended()) {
                ++entry;
                continue;
            }
            link::FrameWriter event(link::MessageType::IoEnded);
            entry->second->writeOutcome(entry->first, event);
            send(event);
            entry = operations_.erase(entry);
        }
    }
    // Those still in flight, for the server to keep once the connection is gone.
    std::vector<std::unique_ptr<ServerIo>> takeAll();

private:
    std::map<std::uint64_t, std::unique_ptr<ServerIo>> operations_;
};

}  // namespace pivora::switchsim
