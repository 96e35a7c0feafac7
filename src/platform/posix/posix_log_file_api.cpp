#include "platform/posix/posix_log_file_api.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/posix/make_folders.h"

namespace pivora {

namespace {

OsHandle handleOf(int fd) { return reinterpret_cast<OsHandle>(static_cast<std::intptr_t>(fd) + 1); }
int fdOf(OsHandle file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file) - 1); }
std::uint32_t lastError() { return static_cast<std::uint32_t>(errno); }

}  // namespace

std::uint32_t PosixLogFileApi::createFolder() {
    errno = 0;
    if (makeFolders(folder_)) return 0;
    return errno != 0 ? lastError() : static_cast<std::uint32_t>(ENOTDIR);
}

std::uint32_t PosixLogFileApi::openForAppend(const char* name, OsHandle* file) {
    const int fd = ::open(pathOf(name).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    *file = fd >= 0 ? handleOf(fd) : nullptr;
    return fd >= 0 ? 0 : lastError();
}

std::uint32_t PosixLogFileApi::write(OsHandle file, const char* bytes, std::uint32_t length, std::uint32_t* written) {
    ssize_t sent = 0;
    do {
        sent = ::write(fdOf(file), bytes, length);
    } while (sent < 0 && errno == EINTR);
    *written = sent > 0 ? static_cast<std::uint32_t>(sent) : 0;
    return sent >= 0 ? 0 : lastError();
}

std::uint32_t PosixLogFileApi::size(OsHandle file, std::uint64_t* bytes) {
    struct stat status {};
    if (::fstat(fdOf(file), &status) != 0) return lastError();
    *bytes = static_cast<std::uint64_t>(status.st_size);
    return 0;
}

std::uint32_t PosixLogFileApi::rename(const char* from, const char* to) {
    return std::rename(pathOf(from).c_str(), pathOf(to).c_str()) == 0 ? 0 : lastError();
}

std::uint32_t PosixLogFileApi::remove(const char* name) {
    return ::unlink(pathOf(name).c_str()) == 0 ? 0 : lastError();
}

void PosixLogFileApi::close(OsHandle file) { ::close(fdOf(file)); }

LocalTime PosixLogFileApi::localTime() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    LocalTime time;
    time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.day = static_cast<std::uint16_t>(local.tm_mday);
    time.hour = static_cast<std::uint16_t>(local.tm_hour);
    time.minute = static_cast<std::uint16_t>(local.tm_min);
    time.second = static_cast<std::uint16_t>(local.tm_sec);
    time.millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
    return time;
}

std::string PosixLogFileApi::pathOf(const char* name) { return folder_ + '/' + name; }

}  // namespace pivora
