#include "remote/remote_wire.h"

#include <algorithm>

#include "platform/byte_order.h"

namespace pivora {

namespace {

constexpr std::uint8_t kJsonFlag = 0x01;
constexpr std::size_t kAnswerHeaderSize = 2;

}  // namespace

std::array<std::uint8_t, remote_wire::kRequestSize> encodeRequest(const RemoteRequest& request, OsHandle answerTo) {
    std::array<std::uint8_t, remote_wire::kRequestSize> bytes{};
    bytes[0] = remote_wire::kVersion;
    bytes[1] = request.verb;
    bytes[2] = static_cast<std::uint8_t>(request.port);
    bytes[3] = request.json ? kJsonFlag : 0;
    // Only the low 32 bits of a window handle are significant, on 64-bit
    // Windows too.
    writeLe32(&bytes[4], static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(answerTo)));
    return bytes;
}

std::optional<WireRequest> decodeRequest(std::uintptr_t tag, const void* data, std::size_t size) {
    if (tag != remote_wire::kRequestTag || data == nullptr || size != remote_wire::kRequestSize) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (bytes[0] != remote_wire::kVersion) return std::nullopt;
    const std::uint8_t flags = bytes[3];
    if (flags != 0 && flags != kJsonFlag) return std::nullopt;
    const std::optional<RemoteRequest> request = checkedRequest(bytes[1], bytes[2], flags == kJsonFlag);
    if (!request) return std::nullopt;
    WireRequest wire;
    wire.request = *request;
    const auto window = static_cast<std::int32_t>(readLe32(&bytes[4]));
    if (window == 0) return std::nullopt;
    wire.answerTo = reinterpret_cast<OsHandle>(static_cast<std::intptr_t>(window));
    return wire;
}

std::vector<std::uint8_t> encodeAnswer(const RemoteAnswer& answer) {
    std::vector<std::uint8_t> bytes(kAnswerHeaderSize + answer.text.size());
    bytes[0] = remote_wire::kVersion;
    bytes[1] = static_cast<std::uint8_t>(answer.exitStatus);
    std::copy(answer.text.begin(), answer.text.end(), bytes.begin() + kAnswerHeaderSize);
    return bytes;
}

std::optional<RemoteAnswer> decodeAnswer(std::uintptr_t tag, const void* data, std::size_t size) {
    if (tag != remote_wire::kAnswerTag || data == nullptr || size < kAnswerHeaderSize ||
        size > remote_wire::kMaxAnswerSize) {
        return std::nullopt;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::uint8_t status = bytes[1];
    if (bytes[0] != remote_wire::kVersion || !isAnswerStatus(status)) return std::nullopt;
    return RemoteAnswer{status, std::string(reinterpret_cast<const char*>(bytes) + kAnswerHeaderSize,
                                          size - kAnswerHeaderSize)};
}

}  // namespace pivora
