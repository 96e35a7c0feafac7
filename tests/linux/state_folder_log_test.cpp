#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "log/diagnostic_log_file.h"
#include "log/rotating_log_file.h"
#include "platform/linux/state_folder.h"
#include "platform/posix/posix_log_file_api.h"
#include "temporary_folder.h"

namespace pivora::test {
namespace {

namespace fs = std::filesystem;

// The diagnostic log where the Linux program keeps it, on an account that
// has never had a state folder: $XDG_STATE_HOME/pivora/pivora.log, the
// Windows lines and cap, one older file.
TEST(LinuxDiagnosticLog, FillsTheStateFolderMadeForItAndKeepsOneOlderFile) {
    TemporaryFolder home;
    const fs::path stateHome = home.path() / ".local" / "state";
    const std::string folder = pivoraStateFolder(nullptr, home.path().c_str());
    ASSERT_EQ(folder, (stateHome / "pivora").string());
    PosixLogFileApi files(folder);
    DiagnosticLogFile log(files);

    log.setEnabled(true);
    ASSERT_EQ(log.status().state, LogState::On) << log.status().reason;
    EXPECT_EQ(log.filePath(), (stateHome / "pivora" / "pivora.log").string());
    const std::uint8_t report[] = {0x0B, 0x01};
    log.report(TraceChannel::ReportsDelivered, report, sizeof report);
    const std::string padding(90, '.');
    for (int n = 0; n < 12000; ++n) log.line(TraceChannel::Text, (padding + " line " + std::to_string(n)).c_str());
    EXPECT_EQ(log.status().state, LogState::On);

    std::vector<std::string> names;
    for (const auto& file : fs::directory_iterator(folder)) names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"pivora.log", "pivora.log.1"}));
    const fs::path older = fs::path(folder) / RotatingLogFile::kOlderName;
    EXPECT_LE(fs::file_size(older), RotatingLogFile::kCapBytes);
    EXPECT_GT(fs::file_size(older), RotatingLogFile::kCapBytes - 200) << "turned only when full";
    EXPECT_LE(fs::file_size(log.filePath()), RotatingLogFile::kCapBytes);

    const std::string newest = contentsOf(log.filePath());
    const std::string lastLine = newest.substr(newest.rfind('\n', newest.size() - 2) + 1);
    const std::regex entry(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} text \.+ line 11999\r\n)");
    EXPECT_TRUE(std::regex_match(lastLine, entry)) << lastLine;
}

}  // namespace
}  // namespace pivora::test
