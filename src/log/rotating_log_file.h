#pragma once

#include <cstdint>
#include <string>

#include "platform/log_file_api.h"

namespace pivora {

// Why a step of the log failed, for the user to read; empty when it worked.
using LogFailure = std::string;

// pivora.log in the log's folder, kept to at most kCapBytes: an entry that
// would pass the cap first turns the file into pivora.log.1, replacing an
// older one, and starts a new pivora.log, so the folder never holds more
// than the two. Each entry goes in one write call. Not thread-safe: its owner
// makes one call at a time.
class RotatingLogFile {
public:
    static constexpr std::uint64_t kCapBytes = std::uint64_t{1024} * 1024;
    static constexpr const char* kName = "pivora.log";
    static constexpr const char* kOlderName = "pivora.log.1";

    explicit RotatingLogFile(LogFileApi& files) : files_(&files) {}
    ~RotatingLogFile() { close(); }
    RotatingLogFile(RotatingLogFile&& other) noexcept;
    RotatingLogFile& operator=(RotatingLogFile&& other) noexcept;
    RotatingLogFile(const RotatingLogFile&) = delete;
    RotatingLogFile& operator=(const RotatingLogFile&) = delete;

    // Creates the folder and opens pivora.log to append to what it holds.
    LogFailure open();
    // Appends `entry` (rotating first when it would pass the cap). An entry
    // longer than the whole cap fills a file of its own, cut at the cap. On
    // a failure the file is left closed.
    LogFailure append(const std::string& entry);
    void close();
    bool isOpen() const { return file_ != nullptr; }

private:
    LogFailure openFile();
    LogFailure rotate();
    LogFailure writeAll(const char* bytes, std::uint32_t length);

    LogFileApi* files_;
    OsHandle file_ = nullptr;
    std::uint64_t size_ = 0;
};

}  // namespace pivora
