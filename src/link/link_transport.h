#pragma once

#include <cstddef>
#include <cstdint>

namespace pivora::link {

// A byte stream to the switch simulator. One thread sends (under the
// caller's lock) while another receives; shutdown may come from either.
class LinkTransport {
public:
    virtual ~LinkTransport() = default;

    // Sends all `count` bytes, blocking until they are handed to the stream.
    // False once the stream is down; nothing is sent after that.
    virtual bool send(const std::uint8_t* bytes, std::size_t count) = 0;

    // Blocks until some bytes arrive and returns how many (at most
    // `capacity`), or 0 once the stream is down or shut down.
    virtual std::size_t receive(std::uint8_t* bytes, std::size_t capacity) = 0;

    // Ends the stream both ways: a receive blocked in another thread returns
    // 0, and every later call fails. Safe to call more than once.
    virtual void shutdown() = 0;
};

}  // namespace pivora::link
