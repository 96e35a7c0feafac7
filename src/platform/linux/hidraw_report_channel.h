#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controller/report_channel.h"
#include "controller/waiting_reports.h"
#include "link/posix_fd.h"
#include "platform/clock.h"
#include "platform/diagnostic_trace.h"
#include "platform/linux/hidraw_nodes.h"

namespace pivora {

// The controller channel over Linux's hidraw nodes: the devices listed from
// sysfs, the controller opened non-blocking, one report taken per read() as
// hidraw hands them out. Nothing is lent to the kernel, so a read is "armed"
// simply by trying it when a report is asked for.
class HidrawReportChannel : public ReportChannel {
public:
    // open(2) as the channel calls it: the real one, or a stand-in handing out
    // a descriptor that behaves as a hidraw node does.
    using OpenNode = std::function<int(const char* path, int flags)>;
    // Told of a node that refused this user, once per node, as the trace is.
    using Refused = std::function<void(const char* path)>;

    // `sysRoot` and `devRoot` are where sysfs and the device nodes are
    // ("/sys", "/dev" for real).
    HidrawReportChannel(std::string sysRoot, std::string devRoot, Clock& clock, DiagnosticTrace& trace,
                        OpenNode openNode = systemOpen, Refused refused = {});

    int enumerateDevices() override;
    int getDevice(int index, char* path, std::uint16_t* vendorId, std::uint16_t* productId) const override;
    int setReportLength(std::uint32_t length) override;
    int open(const char* path) override;
    int close() override;
    int poll(std::uint8_t* destination) override;
    int pendingLength() const override;
    void inject(const std::uint8_t* report, std::uint32_t length) override;
    int send(const std::uint8_t* report, std::uint32_t length) override;
    void cancelPending() override;

    bool isOpen() const override { return static_cast<bool>(device); }
    bool readSideFailed() const override { return device && readFailed; }
    std::uint32_t getReportLength() const override { return reportLength; }

    // The last open was refused for want of permission on the node, which
    // the udev rule that comes with Pivora grants: the program says so.
    bool permissionDenied() const { return !deniedPath.empty(); }
    // The node that last open was refused on, or "".
    const char* permissionDeniedPath() const { return deniedPath.c_str(); }

    static int systemOpen(const char* path, int flags);

private:
    bool readyForIo() const { return device && reportLength != 0; }
    // The read the Windows channel keeps armed: one report taken from the
    // node, when none is held yet. Called from the const pendingLength as
    // well, as a completed read is seen there on Windows.
    void takeArrived() const;
    void deliver(const std::uint8_t* report, std::uint32_t length, std::uint8_t* destination);
    bool confirmsListedId(int fd, const char* path) const;
    void noteDenied(const char* path);

    std::string sysRoot_;
    std::string devRoot_;
    Clock& clock_;
    DiagnosticTrace& trace_;
    OpenNode openNode_;
    Refused refused_;

    std::vector<HidrawNode> listed;
    std::uint32_t reportLength = 0;
    link::PosixFd device;
    // The report read but not yet delivered, and whether the node has said
    // the device is gone; both belong to the current open.
    mutable std::array<std::uint8_t, kMaxReportLength> arrived{};
    mutable std::uint32_t arrivedLength = 0;
    mutable bool readFailed = false;
    WaitingReports waiting{trace_, "HidrawReportChannel: receive queue full, report dropped\r\n"};
    // Takes the report's bytes and keeps them: a shorter report goes out
    // with what the longer ones before it left behind, as on Windows.
    std::array<std::uint8_t, kMaxReportLength> sendBuffer{};
    std::string deniedPath;
    // Nodes whose refusal is in the trace already: said once, not each tick.
    std::vector<std::string> deniedTraced;
};

}  // namespace pivora
