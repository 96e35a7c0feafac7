#include "app/linux/linux_host.h"

#include <utility>

#include "platform/linux/udisks2_ejector.h"

namespace pivora {

namespace {

// Without the system bus there is no udisks2 to ask: a disk stays mounted,
// and so stays with its port.
class NoDiskService : public StorageEjector {
public:
    RemovalResult eject(const std::vector<std::string>&) override { return RemovalResult::Failed; }
};

std::unique_ptr<StorageEjector> ejectorOn(GDBusConnection* systemBus) {
    if (systemBus == nullptr) return std::make_unique<NoDiskService>();
    return std::make_unique<Udisks2Ejector>(systemBus);
}

}  // namespace

LinuxHost::LinuxHost(GDBusConnection* systemBus, DiagnosticTrace& trace, LinuxRoots roots,
                     std::function<void(const std::string&)> warn)
    : trace_(trace),
      roots_(std::move(roots)),
      warn_(std::move(warn)),
      ejector_(ejectorOn(systemBus)),
      usb_(roots_.sys, roots_.proc, *ejector_, names_, trace_),
      present_(roots_.sys),
      printers_(present_, roots_.state, trace_) {}

std::unique_ptr<ReportChannel> LinuxHost::makeChannel(Clock& clock) {
    return std::make_unique<HidrawReportChannel>(
        roots_.sys, roots_.dev, clock, trace_, roots_.openNode, [this](const char* path) {
            warn_(std::string("Pivora may not open the switch's controller, ") + path +
                  ": permission denied. Install the udev rule 70-pivora.rules (it comes with Pivora, in "
                  "/usr/lib/udev/rules.d), then unplug the switch's cable from this computer and plug it in again.\n");
        });
}

}  // namespace pivora
