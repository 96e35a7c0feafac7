#include "remote/remote_answer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "remote/remote_wire.h"
#include "remote/utf8_text.h"

namespace pivora {
namespace {

PortSummary port(int number, const std::string& device, bool here, bool pending = false) {
    PortSummary summary;
    summary.number = number;
    summary.device = device;
    summary.here = here;
    summary.pending = pending;
    return summary;
}

SwitchSummary connected(std::vector<PortSummary> ports) { return SwitchSummary{true, std::move(ports)}; }

// Port 1 here, port 2 on the other computer.
const SwitchSummary kTwoPorts = connected({port(1, "Logitech Receiver", true), port(2, "SanDisk Cruzer", false)});
// Port 3 leaving, port 4 coming.
const SwitchSummary kFourPorts = connected({port(1, "Mouse", true), port(2, "", false),
                                            port(3, "Keyboard", true, true), port(4, "Printer", false, true)});
const SwitchSummary kAllHere = connected({port(1, "Mouse", true), port(2, "Stick", true)});
const SwitchSummary kNoSwitch{};

struct Case {
    const char* what;
    RemoteRequest request;
    SwitchSummary summary;
    int exitStatus;
    std::optional<Command> command;
    std::string text;
};

std::ostream& operator<<(std::ostream& out, const Case& c) { return out << c.what; }

class Decision : public ::testing::TestWithParam<Case> {};

TEST_P(Decision, AnswersAndPostsWhatTheArrowsAndTheDoubleTapWould) {
    const Case& c = GetParam();
    const RemoteDecision decision = decide(c.request, c.summary);
    EXPECT_EQ(decision.answer.exitStatus, c.exitStatus);
    EXPECT_EQ(decision.answer.text, c.text);
    ASSERT_EQ(decision.command.has_value(), c.command.has_value());
    if (c.command) {
        EXPECT_EQ(decision.command->kind, c.command->kind);
        EXPECT_EQ(decision.command->value, c.command->value);
    }
}

constexpr RemoteRequest claim(int number) { return {RemoteRequest::Claim, number, false}; }
constexpr RemoteRequest release(int number) { return {RemoteRequest::Release, number, false}; }
constexpr RemoteRequest kToggle{RemoteRequest::Toggle, 0, false};
constexpr int kDone = exit_status::kDone;
constexpr int kRefused = exit_status::kRefused;

INSTANTIATE_TEST_SUITE_P(
    Moves, Decision,
    ::testing::Values(
        // The user's port 2 is the control's port 2, port 1 its port 3.
        Case{"claim of a port over there", claim(2), kTwoPorts, kDone, Command{Command::Claim, 2},
             "Port 2: moving here.\n"},
        Case{"release of a port here", release(1), kTwoPorts, kDone, Command{Command::Release, 3},
             "Port 1: moving to the other computer.\n"},
        Case{"claim of an empty port over there", claim(2), kFourPorts, kDone, Command{Command::Claim, 2},
             "Port 2: moving here.\n"},
        Case{"claim of a port here", claim(1), kTwoPorts, kRefused, std::nullopt, "Port 1 is here already.\n"},
        Case{"release of a port over there", release(2), kTwoPorts, kRefused, std::nullopt,
             "Port 2 is on the other computer already.\n"},
        Case{"claim of a port a two-port switch lacks", claim(3), kTwoPorts, kRefused, std::nullopt,
             "This switch has no port 3.\n"},
        Case{"release of a port a two-port switch lacks", release(4), kTwoPorts, kRefused, std::nullopt,
             "This switch has no port 4.\n"},
        Case{"release of port 2 of four, over there", release(2), kFourPorts, kRefused, std::nullopt,
             "Port 2 is on the other computer already.\n"},
        Case{"claim of a port coming here", claim(4), kFourPorts, kRefused, std::nullopt,
             "Port 4 is moving already.\n"},
        Case{"release of a port coming here", release(4), kFourPorts, kRefused, std::nullopt,
             "Port 4 is moving already.\n"},
        Case{"claim of a port leaving", claim(3), kFourPorts, kRefused, std::nullopt, "Port 3 is moving already.\n"},
        Case{"claim with no switch", claim(1), kNoSwitch, kRefused, std::nullopt, "No switch connected.\n"},
        Case{"release with no switch", release(1), kNoSwitch, kRefused, std::nullopt, "No switch connected.\n"},
        Case{"toggle with no switch", kToggle, kNoSwitch, kRefused, std::nullopt, "No switch connected.\n"},
        Case{"toggle with a port over there", kToggle, kTwoPorts, kDone, Command{Command::ToggleAll},
             "Every port: moving here.\n"},
        Case{"toggle with every port here", kToggle, kAllHere, kDone, Command{Command::ToggleAll},
             "Every port: moving to the other computer.\n"},
        Case{"toggle while a port moves", kToggle, kFourPorts, kRefused, std::nullopt,
             "A port is moving already.\n"}));

constexpr RemoteRequest kStatus{RemoteRequest::Status, 0, false};
constexpr RemoteRequest kStatusJson{RemoteRequest::Status, 0, true};

INSTANTIATE_TEST_SUITE_P(
    Status, Decision,
    ::testing::Values(
        Case{"text with no switch", kStatus, kNoSwitch, kDone, std::nullopt, "No switch connected.\n"},
        Case{"JSON with no switch", kStatusJson, kNoSwitch, kDone, std::nullopt,
             "{\"connected\":false,\"ports\":[]}\n"},
        Case{"text of four ports", kStatus, kFourPorts, kDone, std::nullopt,
             "Switch connected.\n"
             "Port 1, here: Mouse\n"
             "Port 2, on the other computer: (no device)\n"
             "Port 3, here, moving to the other computer: Keyboard\n"
             "Port 4, on the other computer, moving here: Printer\n"},
        Case{"JSON of four ports", kStatusJson, kFourPorts, kDone, std::nullopt,
             "{\"connected\":true,\"ports\":["
             "{\"port\":1,\"device\":\"Mouse\",\"owner\":\"here\",\"pending\":false},"
             "{\"port\":2,\"device\":\"\",\"owner\":\"other\",\"pending\":false},"
             "{\"port\":3,\"device\":\"Keyboard\",\"owner\":\"here\",\"pending\":true},"
             "{\"port\":4,\"device\":\"Printer\",\"owner\":\"other\",\"pending\":true}]}\n"}));

// Quotes, a backslash, control characters, é and an emoji, and bytes that
// are no UTF-8: a lone continuation byte, a cut-off sequence, an overlong
// slash, an encoded surrogate, a byte past U+10FFFF.
const std::string kAwkwardName =
    "Disk \"A\"\\B\x01\t\n\x1b[2J\x7f \xC3\xA9 \xF0\x9F\x98\x80 \x80 \xE2\x82 \xC0\xAF \xED\xA0\x80 \xF5\x80";

TEST(RemoteAnswer, AnAwkwardDeviceNameIsEscapedIntoValidJson) {
    const RemoteDecision decision = decide(kStatusJson, connected({port(1, kAwkwardName, true)}));
    const std::string replacement = "\xEF\xBF\xBD";
    const std::string name = "Disk \\\"A\\\"\\\\B\\u0001\\t\\n\\u001b[2J\x7f \xC3\xA9 \xF0\x9F\x98\x80 " + replacement +
                             " " + replacement + replacement + " " + replacement + replacement + " " + replacement +
                             replacement + replacement + " " + replacement + replacement;
    EXPECT_EQ(decision.answer.text, "{\"connected\":true,\"ports\":[{\"port\":1,\"device\":\"" + name +
                                        "\",\"owner\":\"here\",\"pending\":false}]}\n");
}

TEST(RemoteAnswer, AnAwkwardDeviceNameIsShownWithoutItsControlCharacters) {
    const RemoteDecision decision = decide(kStatus, connected({port(1, kAwkwardName, true)}));
    const std::string r = "\xEF\xBF\xBD";
    EXPECT_EQ(decision.answer.text, "Switch connected.\nPort 1, here: Disk \"A\"\\B" + r + r + r + r + "[2J" + r +
                                        " \xC3\xA9 \xF0\x9F\x98\x80 " + r + " " + r + r + " " + r + r + " " + r + r +
                                        r + " " + r + r + "\n");
    // C1 controls too: U+009B starts an escape sequence on some terminals.
    EXPECT_EQ(decide(kStatus, connected({port(1, "\xC2\x9B" "2J", true)})).answer.text,
              "Switch connected.\nPort 1, here: " + r + "2J\n");
}

// However long and awkward the names, the answer fits its message; a long
// name is cut short between two characters.
TEST(RemoteAnswer, EveryAnswerFitsItsMessage) {
    const std::string controls(5000, '\x01');
    std::string accents;
    for (int i = 0; i < 3000; ++i) accents += "\xC3\xA9";
    const SwitchSummary summary = connected(
        {port(1, controls, true), port(2, controls, false), port(3, controls, true), port(4, accents, false)});
    for (const RemoteRequest& request : {kStatus, kStatusJson}) {
        const RemoteDecision decision = decide(request, summary);
        EXPECT_LE(encodeAnswer(decision.answer).size(), remote_wire::kMaxAnswerSize) << request.json;
        EXPECT_NE(decision.answer.text.find(accents.substr(0, kAnswerNameLimit) + (request.json ? "\"" : "\n")),
                  std::string::npos)
            << "cut after " << kAnswerNameLimit / 2 << " characters";
    }
}

TEST(Utf16ToUtf8, PairsSurrogatesAndReplacesLoneOnes) {
    const char16_t text[] = {u'A', 0x00E9, 0x20AC, 0xD83D, 0xDE00, 0xD800, u'B', 0xDC00, 0xD800};
    EXPECT_EQ(utf8FromUtf16(text, 9), "A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD" "B\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8FromUtf16(text, 0), "");
}

}  // namespace
}  // namespace pivora
