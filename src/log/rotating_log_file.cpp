#include "log/rotating_log_file.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace pivora {

namespace {

LogFailure failure(const char* what, std::uint32_t error) {
    char text[128];
    (void)std::snprintf(text, sizeof text, "%s (error %u)", what, static_cast<unsigned>(error));
    return text;
}

}  // namespace

RotatingLogFile::RotatingLogFile(RotatingLogFile&& other) noexcept
    : files_(other.files_), file_(std::exchange(other.file_, nullptr)), size_(std::exchange(other.size_, 0)) {}

RotatingLogFile& RotatingLogFile::operator=(RotatingLogFile&& other) noexcept {
    if (this != &other) {
        close();
        files_ = other.files_;
        file_ = std::exchange(other.file_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

LogFailure RotatingLogFile::open() {
    close();
    if (const std::uint32_t error = files_->createFolder(); error != 0) {
        return failure("the log's folder could not be created", error);
    }
    return openFile();
}

LogFailure RotatingLogFile::openFile() {
    OsHandle opened = nullptr;
    if (const std::uint32_t error = files_->openForAppend(kName, &opened); error != 0 || opened == nullptr) {
        return failure("pivora.log could not be opened", error);
    }
    std::uint64_t bytes = 0;
    if (const std::uint32_t error = files_->size(opened, &bytes); error != 0) {
        files_->close(opened);
        return failure("the size of pivora.log could not be read", error);
    }
    file_ = opened;
    size_ = bytes;
    return {};
}

LogFailure RotatingLogFile::append(const std::string& entry) {
    const auto length = static_cast<std::uint32_t>(std::min<std::uint64_t>(entry.size(), kCapBytes));
    // An empty file is not rotated: the entry goes in, cut at the cap.
    if (size_ > 0 && size_ + length > kCapBytes) {
        if (LogFailure failed = rotate(); !failed.empty()) return failed;
    }
    LogFailure failed = writeAll(entry.data(), length);
    if (!failed.empty()) close();
    return failed;
}

LogFailure RotatingLogFile::writeAll(const char* bytes, std::uint32_t length) {
    // One call in the normal case; POSIX may take a long entry in parts.
    while (length > 0) {
        std::uint32_t written = 0;
        const std::uint32_t error = files_->write(file_, bytes, length, &written);
        if (error != 0 || written == 0 || written > length) return failure("pivora.log could not be written", error);
        size_ += written;
        bytes += written;
        length -= written;
    }
    return {};
}

LogFailure RotatingLogFile::rotate() {
    close();
    // There may be no older file; whatever stands in the way, the rename reports.
    files_->remove(kOlderName);
    if (const std::uint32_t error = files_->rename(kName, kOlderName); error != 0) {
        return failure("pivora.log could not become pivora.log.1", error);
    }
    return openFile();
}

void RotatingLogFile::close() {
    if (file_ == nullptr) return;
    files_->close(std::exchange(file_, nullptr));
    size_ = 0;
}

}  // namespace pivora
