#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/os_handle.h"
#include "remote/remote_request.h"

namespace pivora {

// A command and its answer between the command line and the running Pivora,
// each the data of one WM_COPYDATA: its dwData tag, then its bytes. Any
// program of the session can send the running window such a message, so a
// decoder takes nothing it did not check.
//
// Request, exactly kRequestSize bytes:
//   [0] version, 1   [1] verb (RemoteRequest::Verb)   [2] port, 1 to 4 for
//   Claim and Release, 0 otherwise   [3] flags: bit 0 JSON, Status only
//   [4..7] the window the answer goes to, little-endian: a window handle's
//   32 significant bits, sign-extended again when read
// Answer, 2 to kMaxAnswerSize bytes:
//   [0] version, 1   [1] exit status, 0 or 4   [2..] its text, UTF-8
namespace remote_wire {
constexpr std::uintptr_t kRequestTag = 0x51525650;  // "PVRQ"
constexpr std::uintptr_t kAnswerTag = 0x41525650;   // "PVRA"
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kRequestSize = 8;
constexpr std::size_t kMaxAnswerSize = 32768;
}  // namespace remote_wire

struct WireRequest {
    RemoteRequest request;
    OsHandle answerTo = nullptr;
};

std::array<std::uint8_t, remote_wire::kRequestSize> encodeRequest(const RemoteRequest& request, OsHandle answerTo);
// Nothing unless `tag`, size and every byte are exactly as above.
std::optional<WireRequest> decodeRequest(std::uintptr_t tag, const void* data, std::size_t size);

// The answers decide() gives always fit kMaxAnswerSize.
std::vector<std::uint8_t> encodeAnswer(const RemoteAnswer& answer);
// Nothing unless `tag`, size, version and exit status are as above.
std::optional<RemoteAnswer> decodeAnswer(std::uintptr_t tag, const void* data, std::size_t size);

}  // namespace pivora
