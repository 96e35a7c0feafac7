#include "remote/remote_wire.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pivora {
namespace {

OsHandle handle(std::intptr_t value) { return reinterpret_cast<OsHandle>(value); }

using Bytes = std::vector<std::uint8_t>;

Bytes encoded(const RemoteRequest& request, OsHandle answerTo) {
    const auto bytes = encodeRequest(request, answerTo);
    return Bytes(bytes.begin(), bytes.end());
}

TEST(RemoteWire, EveryRequestComesBackAsItWent) {
    // Window handles are 32 bits wide, sign-extended on 64-bit Windows.
    const OsHandle windows[] = {handle(0x0001), handle(0x7FFFFFFF), handle(-0x7FFFFFFF)};
    const RemoteRequest requests[] = {{RemoteRequest::Status, 0, false}, {RemoteRequest::Status, 0, true},
                                      {RemoteRequest::Claim, 1, false},  {RemoteRequest::Claim, 4, false},
                                      {RemoteRequest::Release, 3, false}, {RemoteRequest::Toggle, 0, false}};
    for (const OsHandle window : windows) {
        for (const RemoteRequest& request : requests) {
            const Bytes bytes = encoded(request, window);
            const std::optional<WireRequest> wire = decodeRequest(remote_wire::kRequestTag, bytes.data(), bytes.size());
            ASSERT_TRUE(wire.has_value()) << request.verb << " " << request.port;
            EXPECT_EQ(wire->request, request);
            EXPECT_EQ(wire->answerTo, window);
        }
    }
}

struct BadRequest {
    const char* what;
    std::uintptr_t tag;
    Bytes bytes;
};

std::ostream& operator<<(std::ostream& out, const BadRequest& bad) { return out << bad.what; }

class BadRequests : public ::testing::TestWithParam<BadRequest> {};

TEST_P(BadRequests, AreNotTaken) {
    const BadRequest& bad = GetParam();
    EXPECT_FALSE(decodeRequest(bad.tag, bad.bytes.data(), bad.bytes.size()).has_value());
}

constexpr std::uintptr_t kTag = remote_wire::kRequestTag;

INSTANTIATE_TEST_SUITE_P(
    Payloads, BadRequests,
    ::testing::Values(BadRequest{"another program's tag", 0x1234, {1, 2, 1, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"the answer's tag", remote_wire::kAnswerTag, {1, 2, 1, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"empty", kTag, {}},
                      BadRequest{"one byte short", kTag, {1, 2, 1, 0, 0x44, 0x33, 0x22}},
                      BadRequest{"one byte over", kTag, {1, 2, 1, 0, 0x44, 0x33, 0x22, 0x11, 0}},
                      BadRequest{"version 0", kTag, {0, 2, 1, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"version 2", kTag, {2, 2, 1, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"verb 0", kTag, {1, 0, 0, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"verb 5", kTag, {1, 5, 0, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"claim of port 0", kTag, {1, 2, 0, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"claim of port 5", kTag, {1, 2, 5, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"release of port 255", kTag, {1, 3, 255, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"status with a port", kTag, {1, 1, 1, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"toggle with a port", kTag, {1, 4, 2, 0, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"claim as JSON", kTag, {1, 2, 1, 1, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"status with an unknown flag", kTag, {1, 1, 0, 2, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"status with every flag", kTag, {1, 1, 0, 0xFF, 0x44, 0x33, 0x22, 0x11}},
                      BadRequest{"no window to answer", kTag, {1, 1, 0, 0, 0, 0, 0, 0}}));

TEST(RemoteWire, NoDataIsNoRequest) {
    EXPECT_FALSE(decodeRequest(kTag, nullptr, remote_wire::kRequestSize).has_value());
    EXPECT_FALSE(decodeAnswer(remote_wire::kAnswerTag, nullptr, 2).has_value());
}

TEST(RemoteWire, AnAnswerComesBackAsItWentAndNothingElseIsTaken) {
    const RemoteAnswer sent{exit_status::kRefused, std::string("Port 2\0is \xC3\xA9\n", 14)};
    const Bytes bytes = encodeAnswer(sent);
    const std::optional<RemoteAnswer> taken = decodeAnswer(remote_wire::kAnswerTag, bytes.data(), bytes.size());
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->exitStatus, sent.exitStatus);
    EXPECT_EQ(taken->text, sent.text);

    const Bytes empty = encodeAnswer(RemoteAnswer{exit_status::kDone, ""});
    EXPECT_TRUE(decodeAnswer(remote_wire::kAnswerTag, empty.data(), empty.size()).has_value());
    EXPECT_FALSE(decodeAnswer(remote_wire::kRequestTag, bytes.data(), bytes.size()).has_value()) << "tag";
    EXPECT_FALSE(decodeAnswer(remote_wire::kAnswerTag, bytes.data(), 1).has_value()) << "no exit status";
    Bytes tooLarge(remote_wire::kMaxAnswerSize + 1, 'x');
    tooLarge[0] = remote_wire::kVersion;
    tooLarge[1] = 0;
    EXPECT_FALSE(decodeAnswer(remote_wire::kAnswerTag, tooLarge.data(), tooLarge.size()).has_value()) << "size";
    EXPECT_TRUE(decodeAnswer(remote_wire::kAnswerTag, tooLarge.data(), tooLarge.size() - 1).has_value());
    for (const std::uint8_t status : {1, 2, 3, 5, 255}) {
        Bytes other = bytes;
        other[1] = status;
        EXPECT_FALSE(decodeAnswer(remote_wire::kAnswerTag, other.data(), other.size()).has_value()) << int{status};
    }
    Bytes newer = bytes;
    newer[0] = 2;
    EXPECT_FALSE(decodeAnswer(remote_wire::kAnswerTag, newer.data(), newer.size()).has_value()) << "version";
}

}  // namespace
}  // namespace pivora
