#include <array>

#include "app/switch_dialog.h"
#include "printer/busy_printers.h"
#include "ui/resource_ids.h"

namespace pivora {

namespace {
// The claim button whose click brings slot i's port here; on a TwoPort
// switch the buttons of rows 3 and 4 stand for ports 3 and 2.
constexpr std::array<int, 5> kClaimButtonOfSlot = {IDC_CLAIM_ROW4, IDC_CLAIM_ROW3, IDC_CLAIM_ROW2, IDC_CLAIM_ROW1,
                                                   IDC_CLAIM_ROW1};
}  // namespace

void SwitchDialog::printerPoll() {
    // A local printer with jobs waiting whose device is on the other
    // computer's side is pulled back here, found by its ID in the registry.
    forEachBusyUsbPrinter(printerGuard, [this](std::uint16_t vendorId, std::uint16_t productId) {
        if (usbTopology.findPresentDevice(vendorId, productId, nullptr, nullptr) == 1) return;
        printerPollBusy = 1;
        std::size_t slot = 0;
        while (slot < portIds.size() &&
               (portIds.at(slot).vendorId != vendorId || portIds.at(slot).productId != productId))
            ++slot;
        if (slot < portIds.size()) {
            onArrowClicked(kClaimButtonOfSlot.at(slot));
        } else {
            loadAllPortIds();
            // Its waits took every StatusReply that came meanwhile, also the
            // one the panel or a pending claim waits for: ask once more.
            if (controllerOpen == 1) sendRequest(channel, statusQuery());
        }
        printerPollBusy = 0;
    });
}

}  // namespace pivora
