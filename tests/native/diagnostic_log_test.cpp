// The diagnostic log over the real POSIX file calls in a temporary folder:
// its entries, the 1 MiB cap with one older file, failures that switch it
// off, and switching from another thread while one writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "log/diagnostic_log_file.h"
#include "log/log_entry.h"
#include "log/rotating_log_file.h"
#include "platform/posix/posix_log_file_api.h"

namespace pivora {
namespace {

namespace fs = std::filesystem;

constexpr LocalTime kNoon{2026, 12, 11, 14, 3, 7, 123};
constexpr LocalTime kEarlyMorning{2027, 1, 2, 3, 4, 5, 6};

struct EntryCase {
    const char* name;
    LocalTime time;
    TraceChannel channel;
    std::vector<std::uint8_t> report;  // when `text` is nullptr
    const char* text;
    const char* expected;
};

class LogEntryTest : public testing::TestWithParam<EntryCase> {};

TEST_P(LogEntryTest, StampsNamesTheChannelAndEndsOnce) {
    const EntryCase& entry = GetParam();
    const std::string formatted =
        entry.text != nullptr ? textEntry(entry.time, entry.channel, entry.text)
                              : reportEntry(entry.time, entry.channel, entry.report.data(), entry.report.size());
    EXPECT_EQ(formatted, entry.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EachChannel, LogEntryTest,
    testing::Values(
        EntryCase{"Delivered", kNoon, TraceChannel::ReportsDelivered, {0x0B, 0x02, 0x00, 0xFF}, nullptr,
                  "2026-12-11 14:03:07.123 delivered 0B 02 00 FF\r\n"},
        EntryCase{"WrittenPaddedTime", kEarlyMorning, TraceChannel::ReportsWritten, {0x0A, 0x01}, nullptr,
                  "2027-01-02 03:04:05.006 written 0A 01\r\n"},
        EntryCase{"EmptyReport", kNoon, TraceChannel::ReportsDelivered, {}, nullptr,
                  "2026-12-11 14:03:07.123 delivered\r\n"},
        EntryCase{"TextKeepsItsEnding", kNoon, TraceChannel::Text, {}, "End i\r\n",
                  "2026-12-11 14:03:07.123 text End i\r\n"},
        EntryCase{"TextWithoutEndingGetsOne", kNoon, TraceChannel::Text, {}, "no ending",
                  "2026-12-11 14:03:07.123 text no ending\r\n"}),
    [](const testing::TestParamInfo<EntryCase>& c) { return std::string(c.param.name); });

// A folder of its own under the system's temporary directory.
class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "pivora-log-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::istringstream in(contentsOf(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(folder)) names.push_back(item.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The number a "line N" text entry carries.
long numberOn(const std::string& line) {
    const std::size_t at = line.rfind("line ");
    return at == std::string::npos ? -1 : std::strtol(line.c_str() + at + 5, nullptr, 10);
}

// The POSIX file calls, counted, and with writes that can be held at a gate
// (a disk that hangs) until released.
class ObservedFiles : public PosixLogFileApi {
public:
    using PosixLogFileApi::PosixLogFileApi;

    std::uint32_t createFolder() override {
        ++calls_;
        return PosixLogFileApi::createFolder();
    }
    std::uint32_t openForAppend(const char* name, OsHandle* file) override {
        ++calls_;
        return PosixLogFileApi::openForAppend(name, file);
    }
    std::uint32_t write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) override {
        if (gate_.valid()) {
            const std::shared_future<void> gate = std::exchange(gate_, {});
            writeHeld_.set_value();
            gate.wait();
        }
        ++calls_;
        return PosixLogFileApi::write(file, bytes, length, written);
    }
    std::uint32_t size(OsHandle file, std::uint64_t* bytes) override {
        ++calls_;
        return PosixLogFileApi::size(file, bytes);
    }
    std::uint32_t rename(const char* from, const char* to) override {
        ++calls_;
        return PosixLogFileApi::rename(from, to);
    }
    std::uint32_t remove(const char* name) override {
        ++calls_;
        return PosixLogFileApi::remove(name);
    }

    int fileCalls() const { return calls_; }
    // The next write waits until `gate` is ready; returns when it has begun waiting.
    std::future<void> holdNextWrite(std::shared_future<void> gate) {
        gate_ = std::move(gate);
        return writeHeld_.get_future();
    }

private:
    std::atomic<int> calls_{0};
    std::shared_future<void> gate_;
    std::promise<void> writeHeld_;
};

class DiagnosticLogTest : public testing::Test {
protected:
    DiagnosticLogTest() { fs::create_directory(profile); }

    fs::path logFolder() const { return profile / "Pivora"; }
    fs::path logFile() const { return logFolder() / RotatingLogFile::kName; }
    fs::path olderFile() const { return logFolder() / RotatingLogFile::kOlderName; }

    // Text entries "line <first>" to "line <last>", padded so that about 100
    // bytes go in each.
    void writeLines(long first, long last) {
        const std::string padding(64, '.');
        for (long n = first; n <= last; ++n) {
            log.line(TraceChannel::Text, (padding + " line " + std::to_string(n) + "\r\n").c_str());
        }
    }

    TemporaryFolder temporary;
    fs::path profile = temporary.path() / "Local";  // where the log makes its folder, as in %LOCALAPPDATA%
    ObservedFiles files{logFolder().string()};
    DiagnosticLogFile log{files};
};

TEST_F(DiagnosticLogTest, WritesEveryChannelOnlyWhileOnAndAppendsWhenOnAgain) {
    const std::uint8_t report[] = {0x0B, 0x01};
    log.report(TraceChannel::ReportsDelivered, report, sizeof report);
    EXPECT_EQ(log.status().state, LogState::Off);
    EXPECT_FALSE(fs::exists(logFolder())) << "off, the log touches nothing";

    log.setEnabled(true);
    EXPECT_EQ(log.status().state, LogState::On);
    EXPECT_EQ(log.filePath(), logFile().string());
    log.report(TraceChannel::ReportsDelivered, report, sizeof report);
    log.report(TraceChannel::ReportsWritten, report, sizeof report);
    log.line(TraceChannel::Text, "Port 2 released\r\n");
    log.setEnabled(false);
    EXPECT_EQ(log.status().state, LogState::Off);
    log.line(TraceChannel::Text, "while off\r\n");
    log.setEnabled(true);
    log.line(TraceChannel::Text, "on again\r\n");

    const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";
    const std::vector<std::string> expected = {stamp + "delivered 0B 01\r", stamp + "written 0B 01\r",
                                               stamp + "text Port 2 released\r", stamp + "text on again\r"};
    const std::vector<std::string> lines = linesOf(logFile());
    ASSERT_EQ(lines.size(), expected.size()) << contentsOf(logFile());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
    }
}

TEST_F(DiagnosticLogTest, PastTheCapTwiceKeepsExactlyOneOlderFileAndLosesNoLineAtTheTurn) {
    log.setEnabled(true);
    // About 2.4 MiB: the file turns into pivora.log.1 twice.
    const long lastLine = 24000;
    writeLines(1, lastLine);

    ASSERT_EQ(namesIn(logFolder()), (std::vector<std::string>{"pivora.log", "pivora.log.1"}));
    EXPECT_LE(fs::file_size(logFile()), RotatingLogFile::kCapBytes);
    EXPECT_LE(fs::file_size(olderFile()), RotatingLogFile::kCapBytes);
    EXPECT_GT(fs::file_size(olderFile()), RotatingLogFile::kCapBytes - 200) << "turned only when full";

    const std::vector<std::string> older = linesOf(olderFile());
    const std::vector<std::string> newest = linesOf(logFile());
    ASSERT_FALSE(older.empty());
    ASSERT_FALSE(newest.empty());
    EXPECT_GT(numberOn(older.front()), 1) << "the first file was replaced";
    EXPECT_EQ(numberOn(older.back()) + 1, numberOn(newest.front()));
    EXPECT_EQ(numberOn(newest.back()), lastLine);
    EXPECT_EQ(log.status().state, LogState::On);
}

TEST_F(DiagnosticLogTest, AnEntryLongerThanTheCapFillsAFileOfItsOwn) {
    log.setEnabled(true);
    log.line(TraceChannel::Text, "before\r\n");
    log.line(TraceChannel::Text, std::string(RotatingLogFile::kCapBytes + 100, 'x').c_str());
    EXPECT_EQ(fs::file_size(logFile()), RotatingLogFile::kCapBytes);
    log.line(TraceChannel::Text, "after\r\n");

    ASSERT_EQ(namesIn(logFolder()), (std::vector<std::string>{"pivora.log", "pivora.log.1"}));
    EXPECT_EQ(fs::file_size(olderFile()), RotatingLogFile::kCapBytes);
    EXPECT_NE(contentsOf(logFile()).find("text after\r\n"), std::string::npos);
}

// What stands where the log's folder or file should be, so that switching on
// fails; each also fails for root, which the test run may be.
struct SwitchOnFailure {
    const char* name;
    std::function<void(const fs::path& profile)> arrange;
    const char* reason;
};

class LogSwitchOnFailureTest : public DiagnosticLogTest, public testing::WithParamInterface<SwitchOnFailure> {};

TEST_P(LogSwitchOnFailureTest, FailsWithItsReasonAndTracingGoesOnHarmlessly) {
    GetParam().arrange(profile);
    log.setEnabled(true);
    const LogStatus status = log.status();
    EXPECT_EQ(status.state, LogState::Failed);
    EXPECT_NE(status.reason.find(GetParam().reason), std::string::npos) << status.reason;

    const int callsAfterFailure = files.fileCalls();
    log.line(TraceChannel::Text, "dropped\r\n");
    EXPECT_EQ(files.fileCalls(), callsAfterFailure);
    log.setEnabled(false);
    EXPECT_EQ(log.status().state, LogState::Off);
    EXPECT_EQ(log.status().reason, "");
}

INSTANTIATE_TEST_SUITE_P(
    InTheWay, LogSwitchOnFailureTest,
    testing::Values(
        // A plain file where the profile's folder should be: nothing can be made under it.
        SwitchOnFailure{"FolderUnderAPlainFile",
                        [](const fs::path& profile) {
                            fs::remove(profile);
                            std::ofstream(profile) << "a file";
                        },
                        "the log's folder could not be created"},
        SwitchOnFailure{"FolderWhereTheFileShouldBe",
                        [](const fs::path& profile) { fs::create_directories(profile / "Pivora" / "pivora.log"); },
                        "pivora.log could not be opened"}),
    [](const testing::TestParamInfo<SwitchOnFailure>& c) { return std::string(c.param.name); });

// Failures once the log is on: a disk with no room left, and an older file
// that cannot be replaced. Each switches the log off; on again tries afresh.
struct WriteFailure {
    const char* name;
    std::function<void(const fs::path& folder)> arrange;
    long lines;  // written until it fails
    const char* reason;
};

class LogWriteFailureTest : public DiagnosticLogTest, public testing::WithParamInterface<WriteFailure> {};

TEST_P(LogWriteFailureTest, SwitchesTheLogOffAndNoLaterTraceTouchesTheDisk) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    fs::create_directory(logFolder());
    GetParam().arrange(logFolder());
    log.setEnabled(true);
    ASSERT_EQ(log.status().state, LogState::On);
    writeLines(1, GetParam().lines);

    const LogStatus status = log.status();
    EXPECT_EQ(status.state, LogState::Failed);
    EXPECT_NE(status.reason.find(GetParam().reason), std::string::npos) << status.reason;
    const int callsAfterFailure = files.fileCalls();
    writeLines(1, 3);
    EXPECT_EQ(files.fileCalls(), callsAfterFailure);

    // The cause gone, switching on works again.
    fs::remove_all(logFolder());
    log.setEnabled(true);
    log.line(TraceChannel::Text, "written again\r\n");
    EXPECT_EQ(log.status().state, LogState::On);
    EXPECT_NE(contentsOf(logFile()).find("written again"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    OnceOn, LogWriteFailureTest,
    testing::Values(
        WriteFailure{"DiskFull",
                     [](const fs::path& folder) { fs::create_symlink("/dev/full", folder / "pivora.log"); }, 1,
                     "pivora.log could not be written"},
        WriteFailure{"OlderFileCannotBeReplaced",
                     [](const fs::path& folder) {
                         fs::create_directories(folder / "pivora.log.1" / "kept");
                     },
                     12000, "pivora.log could not become pivora.log.1"}),
    [](const testing::TestParamInfo<WriteFailure>& c) { return std::string(c.param.name); });

TEST_F(DiagnosticLogTest, StatusAnswersWhileAWriteHangs) {
    log.setEnabled(true);
    std::promise<void> release;
    const std::future<void> held = files.holdNextWrite(release.get_future().share());
    std::thread control([this] { log.line(TraceChannel::Text, "slow\r\n"); });
    held.wait();

    EXPECT_EQ(log.status().state, LogState::On);
    release.set_value();
    control.join();
    EXPECT_NE(contentsOf(logFile()).find("text slow\r\n"), std::string::npos);
}

TEST_F(DiagnosticLogTest, SwitchingFromAnotherThreadWhileOneWritesKeepsEveryEntryWhole) {
    std::atomic<bool> done{false};
    std::thread control([this, &done] {
        for (long n = 1; !done; ++n) log.line(TraceChannel::Text, ("line " + std::to_string(n) + "\r\n").c_str());
    });
    for (int round = 0; round < 200; ++round) {
        log.setEnabled(true);
        EXPECT_EQ(log.status().state, LogState::On);
        std::this_thread::yield();
        log.setEnabled(false);
        EXPECT_EQ(log.status().state, LogState::Off);
    }
    // Once more on until the writer is seen to write, so that the file has entries to check.
    log.setEnabled(true);
    while (!fs::exists(logFile()) || fs::file_size(logFile()) == 0) std::this_thread::yield();
    done = true;
    control.join();

    const std::regex whole(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} text line \d+\r)");
    long previous = 0;
    for (const std::string& line : linesOf(logFile())) {
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
        EXPECT_GT(numberOn(line), previous);
        previous = numberOn(line);
    }
}

}  // namespace
}  // namespace pivora
