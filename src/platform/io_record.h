#pragma once

#include <cstdint>

#include "platform/os_handle.h"

namespace pivora {

// The bookkeeping record of one asynchronous read or write, laid out like the
// first fields of the platform's OVERLAPPED so that the Win32 seam can pass it
// to ReadFile/WriteFile as it stands. The platform writes `internal` (the
// completion status, 0 for success) and `internalHigh` (bytes transferred) at
// any moment while an operation is in flight, so both are volatile and must be
// read afresh at every test.
struct IoRecord {
    volatile std::uintptr_t internal;
    volatile std::uintptr_t internalHigh;
    std::uint32_t offset;
    std::uint32_t offsetHigh;
    OsHandle event;
};

// An error completion status: bits 31 and 30 of the status both set. On x64
// the status may arrive sign-extended; only the low 32 bits count.
inline bool isErrorStatus(std::uintptr_t status) {
    return (static_cast<std::uint32_t>(status) & 0xC0000000u) == 0xC0000000u;
}

// The mark the channel writes into `internal` just before it issues an
// operation; the platform replaces it with kStatusPending, then the final status.
constexpr std::uintptr_t kIssuing = 1;

// Status codes the platform writes into `internal`. The portable code tests for
// 0, for errors and for the pending code; the others are named for the
// simulated platform and for tests.
constexpr std::uint32_t kStatusPending = 0x00000103u;
constexpr std::uint32_t kStatusCancelled = 0xC0000120u;
constexpr std::uint32_t kStatusDeviceNotConnected = 0xC000009Du;
constexpr std::uint32_t kStatusUnsuccessful = 0xC0000001u;

}  // namespace pivora
