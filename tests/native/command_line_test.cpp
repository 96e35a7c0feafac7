#include "remote/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pivora {
namespace {

struct Case {
    std::vector<std::string> arguments;
    CommandLine::Action action;
    RemoteRequest request;  // for SendRequest
    bool log;               // for StartTray
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    out << "pivora";
    for (const std::string& word : c.arguments) out << " [" << word << "]";
    return out;
}

class ParsedCommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(ParsedCommandLine, AsksForWhatItSays) {
    const Case& c = GetParam();
    const CommandLine line = parseCommandLine(c.arguments);
    ASSERT_EQ(line.action, c.action);
    if (c.action == CommandLine::SendRequest) {
        EXPECT_EQ(line.request, c.request);
    }
    if (c.action == CommandLine::StartTray) {
        EXPECT_EQ(line.start.log, c.log);
    }
}

constexpr auto kTray = CommandLine::StartTray;
constexpr auto kSend = CommandLine::SendRequest;
constexpr auto kUsage = CommandLine::ShowUsage;

INSTANTIATE_TEST_SUITE_P(
    Good, ParsedCommandLine,
    ::testing::Values(Case{{}, kTray, {}, false}, Case{{"--log"}, kTray, {}, true},
                      Case{{"status"}, kSend, {RemoteRequest::Status, 0, false}, false},
                      Case{{"status", "--json"}, kSend, {RemoteRequest::Status, 0, true}, false},
                      Case{{"claim", "1"}, kSend, {RemoteRequest::Claim, 1, false}, false},
                      Case{{"claim", "4"}, kSend, {RemoteRequest::Claim, 4, false}, false},
                      Case{{"release", "2"}, kSend, {RemoteRequest::Release, 2, false}, false},
                      Case{{"toggle"}, kSend, {RemoteRequest::Toggle, 0, false}, false}));

INSTANTIATE_TEST_SUITE_P(
    Bad, ParsedCommandLine,
    ::testing::Values(Case{{"claim", "0"}, kUsage, {}, false}, Case{{"claim", "5"}, kUsage, {}, false},
                      Case{{"claim", "two"}, kUsage, {}, false}, Case{{"claim"}, kUsage, {}, false},
                      Case{{"claim", "1", "2"}, kUsage, {}, false}, Case{{"claim", "01"}, kUsage, {}, false},
                      Case{{"claim", "+1"}, kUsage, {}, false}, Case{{"claim", " 1"}, kUsage, {}, false},
                      Case{{"claim", "1 "}, kUsage, {}, false}, Case{{"claim", ""}, kUsage, {}, false},
                      Case{{"release", "-1"}, kUsage, {}, false}, Case{{"release"}, kUsage, {}, false},
                      Case{{"status", "--json", "extra"}, kUsage, {}, false},
                      Case{{"status", "json"}, kUsage, {}, false}, Case{{"status", "--JSON"}, kUsage, {}, false},
                      Case{{"--json", "status"}, kUsage, {}, false}, Case{{"toggle", "1"}, kUsage, {}, false},
                      Case{{"Status"}, kUsage, {}, false}, Case{{"move", "1"}, kUsage, {}, false},
                      Case{{""}, kUsage, {}, false}, Case{{"", ""}, kUsage, {}, false},
                      Case{{"--log", "status"}, kUsage, {}, false}, Case{{"status", "--log"}, kUsage, {}, false},
                      Case{{"--log", "--log"}, kUsage, {}, false}, Case{{"--help"}, kUsage, {}, false},
                      Case{{std::string("status\0", 7)}, kUsage, {}, false}));

}  // namespace
}  // namespace pivora
