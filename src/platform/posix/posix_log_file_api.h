#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/log_file_api.h"

namespace pivora {

// The log's file calls on POSIX, in the folder given: each call is the one
// its contract in log_file_api.h names, reporting errno. A descriptor travels
// as its number plus one, so that descriptor 0 is not the empty handle.
class PosixLogFileApi : public LogFileApi {
public:
    explicit PosixLogFileApi(std::string folder) : folder_(std::move(folder)) {}

    std::uint32_t createFolder() override;
    std::uint32_t openForAppend(const char* name, OsHandle* file) override;
    std::uint32_t write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) override;
    std::uint32_t size(OsHandle file, std::uint64_t* bytes) override;
    std::uint32_t rename(const char* from, const char* to) override;
    std::uint32_t remove(const char* name) override;
    void close(OsHandle file) override;
    LocalTime localTime() override;
    std::string pathOf(const char* name) override;

private:
    std::string folder_;
};

}  // namespace pivora
