#include <array>

#include "control/switch_control.h"
#include "printer/busy_printers.h"

namespace pivora {

namespace {
// The port a claim of slot i brings here. Slot 4 goes with port 3; a TwoPort
// switch has ports 2 and 3 only, and its slots 0 and 1 stand for them.
constexpr std::array<int, 5> kFourPortPortOfSlot = {0, 1, 2, 3, 3};
constexpr std::array<int, 5> kTwoPortPortOfSlot = {2, 3, 2, 3, 3};
}  // namespace

void SwitchControl::printerPoll() {
    // A local printer with jobs waiting whose device is on the other
    // computer's side is pulled back here, found by its ID in the registry.
    forEachBusyUsbPrinter(printers, [this](std::uint16_t vendorId, std::uint16_t productId) {
        if (usb.findPresentDevice(vendorId, productId, nullptr) == 1) return;
        std::size_t slot = 0;
        while (slot < portIds.size() &&
               (portIds.at(slot).vendorId != vendorId || portIds.at(slot).productId != productId))
            ++slot;
        if (slot < portIds.size()) {
            onPortArrow(true, (hubKind == TwoPort ? kTwoPortPortOfSlot : kFourPortPortOfSlot).at(slot));
        } else {
            loadAllPortIds();
            // Its waits took every StatusReply that came meanwhile, also the
            // one the panel or a pending claim waits for: ask once more.
            if (controllerOpen == 1) sendRequest(channel, statusQuery());
        }
    });
}

}  // namespace pivora
