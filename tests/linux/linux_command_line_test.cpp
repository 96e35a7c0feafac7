#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/linux/linux_command_line.h"
#include "remote/command_line.h"

namespace pivora {
namespace {

struct Case {
    std::vector<std::string> arguments;
    LinuxCommandLine::Action action;
    bool log;
};

class ParsedLinuxCommandLine : public ::testing::TestWithParam<Case> {};

TEST_P(ParsedLinuxCommandLine, AsksForWhatItSays) {
    const Case& c = GetParam();
    const LinuxCommandLine line = parseLinuxCommandLine(c.arguments);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.start.log, c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParsedLinuxCommandLine,
    ::testing::Values(Case{{"run"}, LinuxCommandLine::Run, false}, Case{{"run", "--log"}, LinuxCommandLine::Run, true},
                      Case{{"status", "--json"}, LinuxCommandLine::SendRequest, false},
                      Case{{"claim", "2"}, LinuxCommandLine::SendRequest, false},
                      Case{{}, LinuxCommandLine::StartDesktop, false},
                      Case{{"--log"}, LinuxCommandLine::StartDesktop, true},
                      Case{{"--log", "--log"}, LinuxCommandLine::ShowUsage, false},
                      Case{{"run", "--log", "x"}, LinuxCommandLine::ShowUsage, false},
                      Case{{"run", "status"}, LinuxCommandLine::ShowUsage, false},
                      Case{{"Run"}, LinuxCommandLine::ShowUsage, false}));

TEST(LinuxUsage, StartsWithHowPivoraRunsAndListsEveryRequest) {
    const std::string usage = usageText(kLinuxStartUsage);
    EXPECT_EQ(usage.rfind("usage: pivora [run] [--log]\n       pivora status [--json]\n", 0), 0u) << usage;
    for (const char* word : {"claim <port>", "release <port>", "toggle", "Exit status"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
}  // namespace pivora
