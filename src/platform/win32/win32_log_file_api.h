#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/log_file_api.h"

namespace pivora {

// The log's file calls on Windows, in the folder given, with wide-character
// paths throughout: each call is the one its contract in log_file_api.h
// names, reporting GetLastError. A folder of "" (no profile to put it in)
// cannot be created, so the log never opens a file elsewhere.
class Win32LogFileApi : public LogFileApi {
public:
    explicit Win32LogFileApi(std::wstring folder) : folder_(std::move(folder)) {}

    // %LOCALAPPDATA%\Pivora: SHGetFolderPathW(CSIDL_LOCAL_APPDATA) and the
    // program's folder in it; "" when the user has no such folder.
    static std::wstring pivoraFolder();

    std::uint32_t createFolder() override;
    std::uint32_t openForAppend(const char* name, OsHandle* file) override;
    std::uint32_t write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) override;
    std::uint32_t size(OsHandle file, std::uint64_t* bytes) override;
    std::uint32_t rename(const char* from, const char* to) override;
    std::uint32_t remove(const char* name) override;
    void close(OsHandle file) override;
    LocalTime localTime() override;
    std::string pathOf(const char* name) override;

    // The full path of `name` in the folder, as Windows takes it.
    std::wstring widePathOf(const char* name) const;

private:
    std::wstring folder_;
};

}  // namespace pivora
