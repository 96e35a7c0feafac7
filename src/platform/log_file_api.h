#pragma once

#include <cstdint>
#include <string>

#include "platform/os_handle.h"

namespace pivora {

// The local date and time as the computer's clock shows them: the fields of
// GetLocalTime's SYSTEMTIME, the day of the week left out.
struct LocalTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;  // 1 to 12
    std::uint16_t day = 0;    // 1 to 31
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t millisecond = 0;
};

// The diagnostic log's folder and the few calls the log makes in it. Files
// are named within the folder ("pivora.log"); the implementation keeps the
// folder's path in the system's own form (UTF-16 on Windows), so a profile
// path holding any characters reaches the system as it is. Results are the
// system's error codes (GetLastError, errno), 0 for success. Every call may be
// made from any thread; the log makes at most one call on a file at a time.
class LogFileApi {
public:
    virtual ~LogFileApi() = default;

    // CreateDirectoryW(folder), whose parent (the profile's local folder)
    // exists / mkdir of the folder and of any missing folder on its way,
    // since $XDG_STATE_HOME need not exist yet. A folder that is there
    // already is success.
    virtual std::uint32_t createFolder() = 0;

    // CreateFileW(FILE_APPEND_DATA, shared for reading, writing and deleting,
    // OPEN_ALWAYS) / open(O_WRONLY | O_APPEND | O_CREAT): the file for
    // appending, created when missing. *file is nullptr when it did not
    // open; release with close.
    virtual std::uint32_t openForAppend(const char* name, OsHandle* file) = 0;

    // WriteFile / write at the end of the file; *written is how many bytes
    // went, which on POSIX may be fewer than `length` without an error.
    virtual std::uint32_t write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) = 0;

    // GetFileSizeEx / fstat: the file's length in bytes.
    virtual std::uint32_t size(OsHandle file, std::uint64_t* bytes) = 0;

    // MoveFileW / rename. Where `to` exists, Windows refuses and POSIX
    // replaces it: the caller removes it first.
    virtual std::uint32_t rename(const char* from, const char* to) = 0;

    // DeleteFileW / unlink.
    virtual std::uint32_t remove(const char* name) = 0;

    // CloseHandle / close.
    virtual void close(OsHandle file) = 0;

    // GetLocalTime / clock_gettime and localtime_r.
    virtual LocalTime localTime() = 0;

    // The full path of `name` in the folder, as UTF-8, for the user to read.
    virtual std::string pathOf(const char* name) = 0;
};

}  // namespace pivora
