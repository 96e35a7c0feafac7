// CupsLocalPrinters against a real cupsd of the test's own.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/linux/cups_connection.h"
#include "platform/linux/cups_local_printers.h"
#include "link/posix_fd.h"
#include "platform/linux/cups_queues.h"
#include "sim/linux/private_cupsd.h"
#include "recording_trace.h"

namespace pivora {
namespace {

using sim::PrivateCupsd;

class ListedUsbDevices : public PresentUsbDevices {
public:
    std::vector<UsbIdentity> devices;
    std::vector<UsbIdentity> list() override { return devices; }
};

const UsbIdentity kLaserJet{0x03F0, 0x1234, "HP", "LaserJet", "X"};

// A temporary state folder, gone with the test.
class StateFolder {
public:
    StateFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pivora-state-XXXXXX").string();
        if (::mkdtemp(&pattern[0]) != nullptr) path_ = pattern;
    }
    ~StateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    StateFolder(const StateFolder&) = delete;
    StateFolder& operator=(const StateFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file() const { return path_ + "/printers"; }
    std::string text() const {
        std::ifstream in(file());
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void write(const std::string& text) const { std::ofstream(file(), std::ios::trunc) << text; }

private:
    std::string path_;
};

std::vector<UsbPrinter> visitAll(LocalPrinters& printers) {
    std::vector<UsbPrinter> seen;
    printers.forEachUsbPrinter([&seen](const UsbPrinter& printer) { seen.push_back(printer); });
    return seen;
}

::testing::AssertionResult ran(const PrivateCupsd::ToolRun& run) {
    if (run.status == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit status " << run.status << ": " << run.output;
}

// Each test gets a cupsd with no queues and an empty state folder.
class CupsLocalPrintersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!cupsd_.whyNot().empty()) GTEST_SKIP() << "no private cupsd: " << cupsd_.whyNot();
    }

    // A raw queue for `uri`, accepting jobs; stopped, its jobs stay queued.
    void addStoppedQueue(const std::string& name, const std::string& uri) {
        ASSERT_TRUE(ran(cupsd_.run({"lpadmin", "-p", name, "-v", uri, "-m", "raw", "-E"})));
        ASSERT_TRUE(ran(cupsd_.run({"cupsdisable", name})));
    }
    void queueJob(const std::string& queue) {
        const std::string page = state_.path() + "/page.txt";
        std::ofstream(page) << "Pivora\n";
        ASSERT_TRUE(ran(cupsd_.run({"lp", "-d", queue, page})));
    }

    PrivateCupsd cupsd_;
    StateFolder state_;
    ListedUsbDevices devices_;
    test::RecordingTrace trace_;
    CupsLocalPrinters printers_{devices_, state_.path(), trace_};
};

TEST_F(CupsLocalPrintersTest, VisitsOnlyTheUsbQueueWithItsJobsUntilTheyAreCancelled) {
    addStoppedQueue("Laser", "usb://HP/LaserJet?serial=X");
    addStoppedQueue("Office", "socket://127.0.0.1:9");
    queueJob("Laser");
    queueJob("Laser");
    devices_.devices = {{0x046D, 0xC52B, "Logitech", "USB Receiver", ""}, kLaserJet};
    // Whatever was there before is rebuilt from what is seen.
    state_.write("garbage\n\x01\x02\n03F0:9999 Laser");

    std::vector<UsbPrinter> seen = visitAll(printers_);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "Laser");
    EXPECT_EQ(seen[0].vendorId, 0x03F0);
    EXPECT_EQ(seen[0].productId, 0x1234);
    EXPECT_EQ(seen[0].queuedJobs, 2u);
    EXPECT_EQ(state_.text(), "03F0:1234 Laser\n");

    ASSERT_TRUE(ran(cupsd_.run({"cancel", "-a", "Laser"})));
    seen = visitAll(printers_);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].queuedJobs, 0u);
}

// The printer's device has gone to the other computer's port: the queue is
// still visited, with the ID it had here and its jobs, so its port can be
// pulled back. A USB queue never seen here has no ID and is left out.
TEST_F(CupsLocalPrintersTest, PrinterOnTheOtherComputerKeepsItsLastIdAndJobs) {
    addStoppedQueue("Laser", "usb://HP/LaserJet?serial=X");
    addStoppedQueue("Inkjet", "usb://Canon/PIXMA%20MG3600?serial=Q");
    devices_.devices = {kLaserJet};
    ASSERT_EQ(visitAll(printers_).size(), 1u);

    devices_.devices.clear();
    queueJob("Laser");
    // A program started afresh knows it from the state folder alone.
    CupsLocalPrinters restarted(devices_, state_.path());
    const std::vector<UsbPrinter> seen = visitAll(restarted);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "Laser");
    EXPECT_EQ(seen[0].vendorId, 0x03F0);
    EXPECT_EQ(seen[0].productId, 0x1234);
    EXPECT_EQ(seen[0].queuedJobs, 1u);
    EXPECT_EQ(state_.text(), "03F0:1234 Laser\n");
}

// The queue deleted: its ID is forgotten.
TEST_F(CupsLocalPrintersTest, DeletedQueueLeavesTheStateFile) {
    addStoppedQueue("Laser", "usb://HP/LaserJet?serial=X");
    devices_.devices = {kLaserJet};
    visitAll(printers_);
    ASSERT_EQ(state_.text(), "03F0:1234 Laser\n");
    ASSERT_TRUE(ran(cupsd_.run({"lpadmin", "-x", "Laser"})));
    EXPECT_TRUE(visitAll(printers_).empty());
    EXPECT_EQ(state_.text(), "");
}

// What the server answers when a destination's options lack the device URI.
TEST_F(CupsLocalPrintersTest, DeviceUriIsAskedOfTheServer) {
    addStoppedQueue("Laser", "usb://HP/LaserJet%20Pro?interface=1&serial=X");
    std::string failure;
    const CupsConnection http = connectToCupsServer(failure);
    ASSERT_TRUE(http) << failure;
    EXPECT_EQ(askDeviceUri(http.get(), "Laser"), "usb://HP/LaserJet%20Pro?interface=1&serial=X");
    EXPECT_EQ(askDeviceUri(http.get(), "Missing"), std::nullopt);
}

// CUPS_SERVER pointed elsewhere for one test, then back.
class CupsServerAt {
public:
    explicit CupsServerAt(int port) {
        if (const char* before = std::getenv("CUPS_SERVER")) previous_ = before;
        sim::pointCupsAt("127.0.0.1:" + std::to_string(port));
    }
    ~CupsServerAt() { sim::pointCupsAt(previous_); }
    CupsServerAt(const CupsServerAt&) = delete;
    CupsServerAt& operator=(const CupsServerAt&) = delete;

private:
    std::string previous_;
};

// A server that takes the connection and never answers holds the control's
// thread only for a bounded time, and counts as no server.
TEST(CupsLocalPrinters, SilentServerIsGivenUpOn) {
    const link::PosixFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    // Listening without accepting: the kernel completes the connection, nobody reads.
    ASSERT_EQ(::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener.get(), 8), 0);
    ASSERT_EQ(::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
    const CupsServerAt server(ntohs(address.sin_port));

    StateFolder state;
    ListedUsbDevices devices;
    CupsLocalPrinters printers(devices, state.path());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(visitAll(printers).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

// Nobody listens where CUPS_SERVER points: no printers, the kept IDs left
// alone, and one trace line for the server's absence however often it is asked.
TEST(CupsLocalPrinters, NoServerMeansNoPrintersAndOneTraceLine) {
    const int port = sim::freeLoopbackPort();
    ASSERT_GT(port, 0);
    const CupsServerAt server(port);

    StateFolder state;
    state.write("03F0:1234 Laser\n");
    ListedUsbDevices devices;
    devices.devices = {kLaserJet};
    test::RecordingTrace trace;
    CupsLocalPrinters printers(devices, state.path(), trace);
    EXPECT_TRUE(visitAll(printers).empty());
    EXPECT_TRUE(visitAll(printers).empty());
    EXPECT_EQ(state.text(), "03F0:1234 Laser\n");
    ASSERT_EQ(trace.lines().size(), 1u);
    EXPECT_NE(trace.lines()[0].second.find("127.0.0.1:" + std::to_string(port)), std::string::npos)
        << trace.lines()[0].second;
}

}  // namespace
}  // namespace pivora
