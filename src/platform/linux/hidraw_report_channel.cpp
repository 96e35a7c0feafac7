#include "platform/linux/hidraw_report_channel.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "controller/report_catalogue.h"

namespace pivora {

namespace {

constexpr std::uint32_t kSendLimitMs = 2000;
constexpr std::uint32_t kSendStepMs = 10;
constexpr std::uint32_t kCancelStepMs = 100;
constexpr std::uint32_t kCancelRounds = 3;

}  // namespace

HidrawReportChannel::HidrawReportChannel(std::string sysRoot, std::string devRoot, Clock& clock,
                                         DiagnosticTrace& trace, OpenNode openNode, Refused refused)
    : sysRoot_(std::move(sysRoot)),
      devRoot_(std::move(devRoot)),
      clock_(clock),
      trace_(trace),
      openNode_(std::move(openNode)),
      refused_(std::move(refused)) {}

int HidrawReportChannel::systemOpen(const char* path, int flags) { return ::open(path, flags); }

int HidrawReportChannel::enumerateDevices() {
    listed = listHidrawNodes(sysRoot_, devRoot_, kMaxDevices, kPathSize - 1);
    return static_cast<int>(listed.size());
}

int HidrawReportChannel::getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const {
    if (path != nullptr) std::memset(path, 0, kPathSize);
    if (vendorId != nullptr) *vendorId = 0;
    if (productId != nullptr) *productId = 0;
    if (index < 0 || static_cast<std::size_t>(index) >= listed.size()) return 0;
    const HidrawNode& node = listed.at(static_cast<std::size_t>(index));
    // The listing keeps only paths shorter than kPathSize: the terminator fits.
    if (path != nullptr) std::memcpy(path, node.path.c_str(), node.path.size());
    if (vendorId != nullptr) *vendorId = node.vendorId;
    if (productId != nullptr) *productId = node.productId;
    return 1;
}

int HidrawReportChannel::setReportLength(std::uint32_t length) {
    // Never under an open device, and never a length a report cannot have
    // (send paces by the code at byte 1).
    if (length < kMinReportLength || length > kMaxReportLength || device) return 0;
    reportLength = length;
    return 1;
}

int HidrawReportChannel::open(const char* path) {
    if (device) {
        cancelPending();
        close();
    }
    if (path == nullptr) return 0;
    link::PosixFd opened(openNode_(path, O_RDWR | O_NONBLOCK | O_CLOEXEC));
    const int openError = errno;
    if (!opened) {
        if (openError == EACCES || openError == EPERM)
            noteDenied(path);
        else
            deniedPath.clear();
        return 0;
    }
    deniedPath.clear();
    deniedTraced.erase(std::remove(deniedTraced.begin(), deniedTraced.end(), path), deniedTraced.end());
    if (!confirmsListedId(opened.get(), path)) return 0;

    device = std::move(opened);
    sendBuffer.fill(0);
    arrivedLength = 0;
    readFailed = false;
    return 1;
}

bool HidrawReportChannel::confirmsListedId(int fd, const char* path) const {
    hidraw_devinfo info{};
    // A descriptor that is no hidraw node answers ENOTTY (or EINVAL): there
    // is no ID to confirm, and it is taken as it is.
    if (::ioctl(fd, HIDIOCGRAWINFO, &info) != 0) return errno == ENOTTY || errno == EINVAL;
    // Between the listing and the open the node may have gone to a device
    // plugged in after ours went.
    const auto node = std::find_if(listed.begin(), listed.end(),
                                   [path](const HidrawNode& candidate) { return candidate.path == path; });
    if (node == listed.end()) return true;
    return static_cast<std::uint16_t>(info.vendor) == node->vendorId &&
           static_cast<std::uint16_t>(info.product) == node->productId;
}

void HidrawReportChannel::noteDenied(const char* path) {
    deniedPath.assign(path, ::strnlen(path, kPathSize - 1));
    if (std::find(deniedTraced.begin(), deniedTraced.end(), deniedPath) != deniedTraced.end()) return;
    // The control tries every tick; the trace says it once per node.
    if (deniedTraced.size() >= static_cast<std::size_t>(kMaxDevices)) deniedTraced.clear();
    deniedTraced.push_back(deniedPath);
    std::array<char, kPathSize + 96> line{};
    (void)std::snprintf(line.data(), line.size(), "HidrawReportChannel: %s: permission denied (install 70-pivora.rules)\r\n",
                  deniedPath.c_str());
    trace_.line(TraceChannel::Text, line.data());
    if (refused_) refused_(deniedPath.c_str());
}

int HidrawReportChannel::close() {
    device = link::PosixFd();
    arrivedLength = 0;
    readFailed = false;
    waiting.clear();  // nothing is delivered from a closed device
    return 1;
}

void HidrawReportChannel::takeArrived() const {
    if (!readyForIo() || readFailed || arrivedLength != 0) return;
    // hidraw hands out one report per read, cut to the length asked for.
    const ssize_t got = ::read(device.get(), arrived.data(), reportLength);
    if (got > 0) {
        arrivedLength = static_cast<std::uint32_t>(got);
        return;
    }
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;  // nothing waits
    // End of file, EIO or ENODEV: the device is gone. Any other error leaves
    // the node no more usable, and a fresh open is the way back.
    readFailed = true;
}

void HidrawReportChannel::deliver(const std::uint8_t* report, std::uint32_t length, std::uint8_t* destination) {
    std::memcpy(destination, report, length);
    trace_.report(TraceChannel::ReportsDelivered, destination, length);
}

int HidrawReportChannel::poll(std::uint8_t* destination) {
    if (!readyForIo()) return 0;
    if (!waiting.empty()) {
        // Waiting reports arrived before anything still in the node.
        const std::uint32_t length = waiting.pop(destination);
        trace_.report(TraceChannel::ReportsDelivered, destination, length);
        return static_cast<int>(length);
    }
    takeArrived();
    const std::uint32_t length = arrivedLength;
    if (length == 0) return 0;
    arrivedLength = 0;
    deliver(arrived.data(), length, destination);
    return static_cast<int>(length);
}

int HidrawReportChannel::pendingLength() const {
    if (!readyForIo()) return 0;
    if (!waiting.empty()) return static_cast<int>(waiting.frontLength());
    takeArrived();
    return static_cast<int>(arrivedLength);
}

void HidrawReportChannel::inject(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return;
    // A report that reached the node before this one keeps its place ahead of
    // it; the reports behind that one come after it, as on Windows, where
    // only the one read kept armed has completed.
    takeArrived();
    if (arrivedLength != 0) {
        waiting.push(arrived.data(), arrivedLength);
        arrivedLength = 0;
    }
    waiting.push(report, length);
}

int HidrawReportChannel::send(const std::uint8_t* report, std::uint32_t length) {
    if (!readyForIo() || report == nullptr || length == 0 || length > reportLength) return 0;
    if (readFailed) return 0;  // the device is gone: a write can only fail
    std::memcpy(sendBuffer.data(), report, length);
    trace_.report(TraceChannel::ReportsWritten, sendBuffer.data(), reportLength);
    const std::uint32_t start = clock_.tickCount();
    for (;;) {
        const ssize_t written = ::write(device.get(), sendBuffer.data(), reportLength);
        if (written > 0) {
            clock_.sleep(pacingAfterMs(sendBuffer[1]));
            return static_cast<int>(written);
        }
        // Only a full output queue is worth waiting for.
        if (written == 0 || (errno != EAGAIN && errno != EINTR)) return 0;
        if (clock_.tickCount() - start >= kSendLimitMs) return 0;
        clock_.sleep(kSendStepMs);
    }
}

void HidrawReportChannel::cancelPending() {
    if (!device) return;
    // Nothing is in flight on a hidraw node; the waits are the control's
    // timing, which is the same on every system.
    clock_.sleep(kCancelRounds * kCancelStepMs);
    arrivedLength = 0;
    waiting.clear();
    clock_.sleep(kCancelStepMs);
}

}  // namespace pivora
