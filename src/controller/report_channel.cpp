#include "controller/report_channel.h"

namespace pivora {

int ReportChannel::connectController() {
    const int count = enumerateDevices();
    int found = 0;
    for (int index = 0; index < count; ++index) {
        char path[kPathSize];
        std::uint16_t vendorId = 0;
        std::uint16_t productId = 0;
        getDevice(index, path, &vendorId, &productId);
        if (vendorId == kControllerVendorId && productId == kControllerProductId) {
            // Every match is opened in turn, so the last one listed stays open.
            open(path);
            found = 1;
        }
    }
    // Listed is not enough: a controller that could not be opened (busy for a
    // moment, its driver still starting) is tried again on the next tick.
    return found && isOpen() ? 1 : 0;
}

}  // namespace pivora
