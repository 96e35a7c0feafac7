#include "linux_computer.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <utility>

#include "console_words.h"

namespace pivora::switchsim {

namespace {

constexpr const char* kUdisks2 = "/org/freedesktop/UDisks2";
constexpr const char* kBusyError = "org.freedesktop.UDisks2.Error.DeviceBusy";
constexpr const char* kNode = "hidraw0";
// The controller's HID device as the kernel describes it in its uevent.
constexpr const char* kControllerUevent =
    "DRIVER=hid-generic\nHID_ID=0003:000004B4:0000120D\nHID_NAME=Cypress USB Switch\n";
// A four-port switch's controller is not on the switch's hub: it reaches the
// computer through a root port of its own.
constexpr const char* kOwnRootHub = "usb2";
constexpr const char* kOwnRootPort = "2-1";
constexpr std::uint16_t kRootHubVendorId = 0x1D6B;
constexpr std::uint16_t kRootHubProductId = 0x0002;
constexpr std::size_t kLongestReport = 64;
constexpr int kBacklog = 4;

std::uint32_t usbKey(std::uint16_t vendorId, std::uint16_t productId) {
    return (static_cast<std::uint32_t>(vendorId) << 16) | productId;
}

std::string hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

// A description's first word as the maker, the rest as the product: what
// the device's own strings would say.
std::pair<std::string, std::string> makerAndProduct(const std::string& description) {
    const std::size_t space = description.find(' ');
    if (space == std::string::npos) return {description, ""};
    return {description.substr(0, space), description.substr(space + 1)};
}

// How far down the tree a place is: 0 for a root hub.
int depth(const std::string& place) {
    if (place.compare(0, 3, "usb") == 0) return 0;
    return 1 + static_cast<int>(std::count(place.begin(), place.end(), '.'));
}

std::string keyOf(const sim::SimUsbTree::PresentNode& node) {
    return std::to_string(node.node) + " " + hex4(node.vendorId) + ":" + hex4(node.productId) + " " + node.description;
}

// A CUPS queue name: letters, digits and underscores.
std::string queueName(const std::string& name) {
    std::string queue;
    for (const char c : name) queue += std::isalnum(static_cast<unsigned char>(c)) != 0 ? c : '_';
    return queue;
}

std::string uriPart(const std::string& text) {
    std::string escaped;
    for (const char c : text) escaped += c == ' ' ? std::string("%20") : std::string(1, c);
    return escaped;
}

}  // namespace

std::unique_ptr<LinuxComputer> LinuxComputer::start(sim::SimulatedSwitch& simulated, sim::Host host, std::string& why) {
    GObjectHandle<UMockdevTestbed> testbed(umockdev_testbed_new());
    const GCharHandle root(testbed ? umockdev_testbed_get_root_dir(testbed.get()) : nullptr);
    if (!root) {
        why = "umockdev made no testbed";
        return nullptr;
    }
    // Asked once the testbed is there: the preload shows its /sys then.
    if (umockdev_in_mock_environment() == FALSE) {
        why = "a Linux computer needs umockdev's preload: run umockdev-wrapper switchsim ...";
        return nullptr;
    }
    auto computer = std::make_unique<LinuxComputer>(simulated, host, std::move(testbed), root.get());
    if (!computer->startServices(why)) return nullptr;
    computer->sync();
    return computer;
}

LinuxComputer::LinuxComputer(sim::SimulatedSwitch& simulated, sim::Host host, GObjectHandle<UMockdevTestbed> testbed,
                             std::string root)
    : switch_(simulated), host_(host), testbed_(std::move(testbed)), root_(std::move(root)), tree_(root_) {
    ::mkdir((root_ + "/dev").c_str(), 0755);
}

LinuxComputer::~LinuxComputer() { closeNode(); }

bool LinuxComputer::startServices(std::string& why) {
    const auto failed = [this](const std::string& text) { failures_ = text; };
    if (!systemBus_.running()) {
        why = "no private D-Bus daemon (dbus-daemon)";
        return false;
    }
    logind_ = std::make_unique<sim::DbusMock>(systemBus_, "org.freedesktop.login1",
                                              std::vector<std::string>{"-t", "logind"}, failed);
    udisks2_ = std::make_unique<sim::DbusMock>(systemBus_, "org.freedesktop.UDisks2",
                                               std::vector<std::string>{"-t", sim::udisks2Template()}, failed);
    if (!logind_->running() || !udisks2_->running()) {
        why = "python-dbusmock's logind or udisks2 did not start: " + failures_;
        return false;
    }
    cupsd_ = std::make_unique<sim::PrivateCupsd>();
    if (!cupsd_->whyNot().empty()) {
        why = "no private cupsd: " + cupsd_->whyNot();
        return false;
    }
    return true;
}

std::string LinuxComputer::environment() const {
    return "UMOCKDEV_DIR=" + root_ + " DBUS_SYSTEM_BUS_ADDRESS=" + systemBus_.address() +
           " CUPS_SERVER=" + cupsd_->server();
}

void LinuxComputer::sync() {
    sim::SimComputer& computer = switch_.computer(host_);
    std::vector<sim::SimUsbTree::PresentNode> present = computer.usb.presentNodes();
    const bool controllerOnHub = std::any_of(present.begin(), present.end(),
                                             [](const auto& node) { return node.switchController; });
    const int controller = host_ == sim::Host::A ? switch_.controllerOnA : switch_.controllerOnB;
    if (!controllerOnHub && computer.hid.present(controller) && switch_.hub.controllerPort(host_) < 0) {
        sim::SimUsbTree::PresentNode root;
        root.place = kOwnRootHub;
        root.vendorId = kRootHubVendorId;
        root.productId = kRootHubProductId;
        root.ports = 1;
        sim::SimUsbTree::PresentNode own;
        own.place = kOwnRootPort;
        own.vendorId = sim::SwitchHub::kControllerVendorId;
        own.productId = sim::SwitchHub::kControllerProductId;
        own.switchController = true;
        present.push_back(root);
        present.push_back(own);
    }
    std::map<std::string, std::string> wanted;
    for (const auto& node : present) wanted[node.place] = keyOf(node);

    // What went, deepest first, each announced while it is still there to
    // be read, as the kernel's own announcement still describes it.
    std::vector<std::string> gone;
    for (const auto& [place, shown] : shown_) {
        const auto found = wanted.find(place);
        if (found == wanted.end() || found->second != shown.key) gone.push_back(place);
    }
    std::sort(gone.begin(), gone.end(),
              [](const std::string& a, const std::string& b) { return depth(a) > depth(b); });
    for (const std::string& place : gone) {
        const Shown& shown = shown_.at(place);
        if (!shown.hidraw.empty()) {
            announce("/sys/" + shown.hidraw, "remove");
            closeNode();
        }
        // A stick that goes is no longer mounted.
        const auto stick = sticks_.find(shown.node);
        if (stick != sticks_.end()) mount(stick->second, "");
        announce(tree_.deviceDir(place).substr(root_.size()), "remove");
        tree_.unplug(place);
        shown_.erase(place);
    }
    // What came, each hub before what hangs from it.
    for (const auto& node : present) {
        if (shown_.count(node.place) != 0) continue;
        Shown& shown = shown_[node.place];
        shown.key = keyOf(node);
        shown.node = node.node;
        shown.switchDevice = node.switchDevice;
        shown.vendorId = node.vendorId;
        shown.productId = node.productId;
        render(node, shown);
        announce(tree_.deviceDir(node.place).substr(root_.size()), "add");
        if (!shown.hidraw.empty()) announce("/sys/" + shown.hidraw, "add");
    }
}

void LinuxComputer::render(const sim::SimUsbTree::PresentNode& node, Shown& shown) {
    if (node.ports > 0) {
        tree_.hub(node.place, node.vendorId, node.productId, node.ports);
        return;
    }
    const Printer* printer = printerOf(node.vendorId, node.productId);
    const auto [maker, product] = makerAndProduct(printer != nullptr ? printer->name : node.description);
    tree_.device(node.place, node.vendorId, node.productId, maker, product);
    if (node.switchController) {
        shown.hidraw = tree_.hidraw(node.place, kNode, kControllerUevent);
        openNode();
    }
    const auto mountPoint = diskMounts_.find(usbKey(node.vendorId, node.productId));
    if (mountPoint != diskMounts_.end()) {
        if (const Stick* stick = stickOf(node.node)) {
            tree_.disk(node.place, stick->disk);
            // A desktop mounts a stick that arrives.
            mount(*stick, mountPoint->second);
            const bool busy = node.switchDevice >= 0 && std::find(busySticks_.begin(), busySticks_.end(),
                                                                  node.switchDevice) != busySticks_.end();
            refuseUnmount(*stick, busy);
        }
    }
    if (printer != nullptr) {
        tree_.write(node.place, "serial", printer->queue + "\n");
        tree_.write(node.place, node.place + ":1.0/bInterfaceClass", "07\n");
        tree_.node(node.place, "usbmisc/lp0", "180:0");
    }
}

void LinuxComputer::announce(const std::string& devpath, const char* action) {
    umockdev_testbed_uevent(testbed_.get(), devpath.c_str(), action);
}

void LinuxComputer::openNode() {
    closeNode();
    const std::string path = root_ + "/dev/" + kNode;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "switchsim: %s is too long a path for the controller's node\n", path.c_str());
        return;
    }
    path.copy(address.sun_path, path.size());
    link::PosixFd listening(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listening || ::bind(listening.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listening.get(), kBacklog) != 0) {
        std::fprintf(stderr, "switchsim: no controller node at %s\n", path.c_str());
        return;
    }
    listening_ = std::move(listening);
}

void LinuxComputer::closeNode() {
    // A node that goes ends every open of it, as an unplugged hidraw node does.
    opened_.clear();
    if (!listening_) return;
    listening_ = link::PosixFd();
    ::unlink((root_ + "/dev/" + kNode).c_str());
}

void LinuxComputer::deliver(const sim::WireReport& report) {
    for (const link::PosixFd& open : opened_)
        static_cast<void>(::send(open.get(), report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL));
}

void LinuxComputer::watch(std::vector<pollfd>& watched) const {
    if (listening_) watched.push_back({listening_.get(), POLLIN, 0});
    for (const link::PosixFd& open : opened_) watched.push_back({open.get(), POLLIN, 0});
}

void LinuxComputer::serve(const std::vector<pollfd>& watched, std::size_t first) {
    // Matched by descriptor: the node may have gone or come since the poll.
    std::vector<int> ended;
    for (std::size_t index = first; index < watched.size(); ++index) {
        const pollfd& ready = watched[index];
        if (ready.revents == 0) continue;
        if (listening_ && ready.fd == listening_.get()) {
            link::PosixFd accepted(::accept4(ready.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (accepted) opened_.push_back(std::move(accepted));
            continue;
        }
        const bool open = std::any_of(opened_.begin(), opened_.end(),
                                      [&](const link::PosixFd& fd) { return fd.get() == ready.fd; });
        if (!open) continue;
        std::array<std::uint8_t, kLongestReport> report{};
        for (;;) {
            const ssize_t got = ::recv(ready.fd, report.data(), report.size(), MSG_DONTWAIT);
            if (got > 0) {
                switch_.firmware.receive(host_, report.data(), static_cast<std::size_t>(got));
                continue;
            }
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) ended.push_back(ready.fd);
            if (got == 0 || errno != EINTR) break;
        }
    }
    opened_.erase(std::remove_if(opened_.begin(), opened_.end(),
                                 [&](const link::PosixFd& fd) {
                                     return std::find(ended.begin(), ended.end(), fd.get()) != ended.end();
                                 }),
                  opened_.end());
}

std::string LinuxComputer::addDisk(std::uint16_t vendorId, std::uint16_t productId, const std::string& mountPoint) {
    if (mountPoint.empty() || mountPoint[0] != '/') return "error a mount point is an absolute path";
    diskMounts_[usbKey(vendorId, productId)] = mountPoint;
    showAgain(vendorId, productId);
    return "ok sticks " + hex4(vendorId) + ":" + hex4(productId) + " mounted at " + mountPoint + " whenever here";
}

const LinuxComputer::Stick* LinuxComputer::stickOf(int node) {
    const auto known = sticks_.find(node);
    if (known != sticks_.end()) return &known->second;
    Stick stick;
    stick.disk = "sd" + std::string(1, static_cast<char>('b' + sticks_.size() % 25));
    const std::string drive = std::string(kUdisks2) + "/drives/" + stick.disk;
    failures_.clear();
    udisks2_->control(kUdisks2, "AddDrive", g_variant_new("(sb)", stick.disk.c_str(), TRUE), "(o)");
    for (const std::string& block : {stick.disk, stick.disk + "1"})
        udisks2_->control(kUdisks2, "AddBlock", g_variant_new("(so)", block.c_str(), drive.c_str()), "(o)");
    stick.filesystem = std::string(kUdisks2) + "/block_devices/" + stick.disk + "1";
    udisks2_->control(kUdisks2, "AddFilesystem", g_variant_new("(os)", stick.filesystem.c_str(), ""));
    if (!failures_.empty()) {
        std::fprintf(stderr, "switchsim: udisks2 has no disk %s: %s\n", stick.disk.c_str(), failures_.c_str());
        return nullptr;
    }
    return &(sticks_[node] = stick);
}

void LinuxComputer::mount(const Stick& stick, const std::string& mountPoint) {
    udisks2_->control(kUdisks2, "SetMountPoint", g_variant_new("(os)", stick.filesystem.c_str(), mountPoint.c_str()));
}

void LinuxComputer::refuseUnmount(const Stick& stick, bool busy) {
    udisks2_->control(kUdisks2, "SetError", g_variant_new("(os)", stick.filesystem.c_str(), busy ? kBusyError : ""));
}

void LinuxComputer::setStickBusy(int switchDevice, bool busy) {
    busySticks_.erase(std::remove(busySticks_.begin(), busySticks_.end(), switchDevice), busySticks_.end());
    if (busy) busySticks_.push_back(switchDevice);
    for (const auto& [place, shown] : shown_) {
        if (shown.switchDevice != switchDevice) continue;
        const auto stick = sticks_.find(shown.node);
        if (stick != sticks_.end()) refuseUnmount(stick->second, busy);
    }
}

std::string LinuxComputer::sticksJson() {
    std::string json;
    for (const auto& [place, shown] : shown_) {
        const auto stick = sticks_.find(shown.node);
        if (stick == sticks_.end()) continue;
        const GVariantHandle mounts =
            udisks2_->call(stick->second.filesystem.c_str(), "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", "org.freedesktop.UDisks2.Filesystem", "MountPoints"), "(v)");
        bool mounted = false;
        if (mounts) {
            const GVariantHandle boxed(g_variant_get_child_value(mounts.get(), 0));
            const GVariantHandle points(g_variant_get_variant(boxed.get()));
            mounted = g_variant_n_children(points.get()) > 0;
        }
        json += (json.empty() ? "{" : ",{") + std::string("\"disk\":") + jsonString(stick->second.disk) +
                ",\"place\":" + jsonString(place) + ",\"mounted\":" + (mounted ? "true" : "false") + "}";
    }
    return json;
}

std::string LinuxComputer::addPrinter(const std::string& name, std::uint16_t vendorId, std::uint16_t productId) {
    for (const Printer& printer : printers_)
        if (printer.name == name) return "error printer " + name + " exists on " + std::string(1, sim::hostLetter(host_));
    Printer printer{name, queueName(name), {}, vendorId, productId, 0};
    const auto [maker, model] = makerAndProduct(name);
    printer.uri = "usb://" + uriPart(maker) + "/" + uriPart(model) + "?serial=" + printer.queue;
    // Stopped, so that a job stays queued: nothing here prints.
    const sim::PrivateCupsd::ToolRun added =
        cupsd_->run({"lpadmin", "-p", printer.queue, "-v", printer.uri, "-m", "raw", "-E"});
    const sim::PrivateCupsd::ToolRun stopped = cupsd_->run({"cupsdisable", printer.queue});
    if (added.status != 0 || stopped.status != 0) return "error lpadmin: " + added.output + stopped.output;
    printers_.push_back(printer);
    showAgain(vendorId, productId);
    return "ok printer " + name + " on " + printer.uri;
}

std::string LinuxComputer::queueJobs(const std::string& name, std::uint32_t jobs) {
    const auto found = std::find_if(printers_.begin(), printers_.end(),
                                    [&](const Printer& printer) { return printer.name == name; });
    if (found == printers_.end()) return "error no printer " + name + " on " + std::string(1, sim::hostLetter(host_));
    const std::string document = root_ + "/job.txt";
    std::ofstream(document, std::ios::trunc) << "Pivora\n";
    std::string failures;
    const sim::PrivateCupsd::ToolRun cancelled = cupsd_->run({"cancel", "-a", found->queue});
    if (cancelled.status != 0) failures += cancelled.output;
    for (std::uint32_t job = 0; job < jobs; ++job) {
        const sim::PrivateCupsd::ToolRun queued = cupsd_->run({"lp", "-d", found->queue, document});
        if (queued.status != 0) failures += queued.output;
    }
    if (!failures.empty()) return "error " + failures;
    found->jobs = jobs;
    return "ok " + name + " has " + std::to_string(jobs) + " jobs";
}

std::string LinuxComputer::printersJson() const {
    std::string json;
    for (const Printer& printer : printers_) {
        json += (json.empty() ? "{" : ",{") + std::string("\"name\":") + jsonString(printer.name) +
                ",\"port\":" + jsonString(printer.uri) + ",\"jobs\":" + std::to_string(printer.jobs) + "}";
    }
    return json;
}

void LinuxComputer::showAgain(std::uint16_t vendorId, std::uint16_t productId) {
    for (auto& [place, shown] : shown_)
        if (shown.vendorId == vendorId && shown.productId == productId) shown.key.clear();
    sync();
}

const LinuxComputer::Printer* LinuxComputer::printerOf(std::uint16_t vendorId, std::uint16_t productId) const {
    for (const Printer& printer : printers_)
        if (printer.vendorId == vendorId && printer.productId == productId) return &printer;
    return nullptr;
}

}  // namespace pivora::switchsim
