#include "control/switch_control.h"

#include <utility>

#include "control/windows_host.h"

namespace pivora {

namespace {
constexpr std::uint32_t kSignOffSettleMs = 250;
}  // namespace

SwitchControl::SwitchControl(HostSystem& host, std::function<void(const PanelState&)> publish,
                             std::function<void(const Command&)> postToSelf)
    : SwitchControl(nullptr, &host, std::move(publish), std::move(postToSelf)) {}

SwitchControl::SwitchControl(Platform& platform, std::function<void(const PanelState&)> publish,
                             std::function<void(const Command&)> postToSelf)
    : SwitchControl(std::make_unique<WindowsHost>(platform), nullptr, std::move(publish), std::move(postToSelf)) {}

SwitchControl::SwitchControl(std::unique_ptr<HostSystem> ownedHost, HostSystem* host,
                             std::function<void(const PanelState&)> publish,
                             std::function<void(const Command&)> postToSelf)
    : ownedHost_(std::move(ownedHost)),
      host_(host != nullptr ? *host : *ownedHost_),
      clock_(host_.clock(), *this),
      usb(host_.usb()),
      printers(host_.printers()),
      channel_(host_.makeChannel(clock_)),
      channel(*channel_),
      deferredReports(host_.trace()),
      publish_(std::move(publish)),
      postToSelf_(std::move(postToSelf)) {
    channel.setReportLength(kControllerReportLength);
}

void SwitchControl::handle(const Command& command) {
    switch (command.kind) {
        case Command::Tick:
            controlTick(command.value);
            break;
        case Command::DeviceChanged:
            onDeviceChange();
            break;
        case Command::Claim:
        case Command::Release:
            onPortArrow(command.kind == Command::Claim, command.value);
            break;
        case Command::ToggleAll:
            toggleAllPorts();
            break;
        case Command::Suspend:
            onSuspend();
            break;
        case Command::Resume:
            onResume();
            break;
        case Command::QueryEndSession:
            onQueryEndSession();
            break;
        case Command::EndSession:
            onEndSession(command.value != 0);
            break;
        case Command::DumpPortIds:
            dumpPortIds();
            break;
        case Command::Stop:
            shutDown();
            break;
    }
    publishPanel();
}

void SwitchControl::publishPanel() {
    if (panel_ == published_) return;
    published_ = panel_;
    publish_(published_);
}

void SwitchControl::onDeviceChange() {
    // Whatever changed, the controller and the hub are looked for afresh.
    controllerOpen = 0;
    hubReady = 0;
}

void SwitchControl::onResume() {
    // Every wake brings the automatic resume, and a wake the user caused
    // the other one too: the first starts over, the second finds it done.
    if (wokenSinceSuspend == 1) return;
    wokenSinceSuspend = 1;
    // After a sleep anything may have moved.
    startOver();
}

void SwitchControl::onSuspend() {
    wokenSinceSuspend = 0;
    signOffAndClose();
}

void SwitchControl::onQueryEndSession() { signOffAndClose(); }

void SwitchControl::onEndSession(bool ending) {
    // A logoff or shutdown that was cancelled left the channel closed: the
    // next tick connects again rather than stay deaf.
    if (!ending) onDeviceChange();
}

void SwitchControl::shutDown() {
    if (controllerOpen != 1) return;
    signOffAndClose();
    clock_.sleep(kSignOffSettleMs);
}

void SwitchControl::signOffAndClose() {
    sendRequest(channel, signOff());
    channel.cancelPending();
    channel.close();
}

}  // namespace pivora
