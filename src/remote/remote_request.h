#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pivora {

// A command for the running Pivora, as the command line asks for it.
struct RemoteRequest {
    enum Verb : std::uint8_t {
        Status = 1,  // each port, its device and owner
        Claim,       // port `port` to this computer
        Release,     // port `port` to the other computer
        Toggle,      // what the double tap does
    };

    Verb verb = Status;
    int port = 0;       // Claim and Release: the user's number, 1 to 4
    bool json = false;  // Status: one JSON object instead of lines of text

    bool operator==(const RemoteRequest& other) const {
        return verb == other.verb && port == other.port && json == other.json;
    }
};

// The request a command line could have sent with these fields, or
// nothing: the verb one of the four, a port 1 to 4 with Claim and Release
// and 0 otherwise, JSON with Status only. The running Pivora takes requests
// from any program of the session, so nothing else is taken.
inline std::optional<RemoteRequest> checkedRequest(int verb, int port, bool json) {
    if (verb < RemoteRequest::Status || verb > RemoteRequest::Toggle) return std::nullopt;
    const auto asked = static_cast<RemoteRequest::Verb>(verb);
    const bool takesPort = asked == RemoteRequest::Claim || asked == RemoteRequest::Release;
    if (takesPort ? port < 1 || port > 4 : port != 0) return std::nullopt;
    if (json && asked != RemoteRequest::Status) return std::nullopt;
    return RemoteRequest{asked, port, json};
}

// The command line's exit status.
namespace exit_status {
constexpr int kDone = 0;        // answered, or the move started
constexpr int kBadUsage = 2;    // the usage text was printed
constexpr int kNotRunning = 3;  // no running Pivora answered
constexpr int kRefused = 4;     // no switch, the port is moving, nothing to move, no such port
}  // namespace exit_status

// Only these come from a running Pivora: it answers, or refuses a move.
inline bool isAnswerStatus(int status) { return status == exit_status::kDone || status == exit_status::kRefused; }

// What the running Pivora answers a request: the command line's exit
// status and the text it prints, UTF-8.
struct RemoteAnswer {
    int exitStatus = exit_status::kDone;
    std::string text;
};

}  // namespace pivora
