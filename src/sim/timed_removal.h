#pragma once

#include <cstdint>

#include "platform/clock.h"
#include "platform/device_removal_api.h"
#include "sim/sim_usb_tree.h"

namespace pivora::sim {

// The removal calls as a computer's caller lives them: the call for a device
// that takes time to be removed returns only once that time has passed on
// the computer's clock (in virtual time the switch goes on meanwhile, as the
// other computer does while CM_Request_Device_EjectA holds up this one's
// thread); then the tree removes it, or it refuses, as it would at once.
class TimedRemoval : public DeviceRemovalApi {
public:
    TimedRemoval(SimUsbTree& usb, Clock& clock) : usb_(usb), clock_(clock) {}

    std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t flags) override {
        waitForRemoval(devInst);
        return usb_.requestDeviceEject(devInst, vetoType, vetoName, nameLength, flags);
    }
    std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t flags) override {
        waitForRemoval(devInst);
        return usb_.queryAndRemoveSubTree(devInst, vetoType, vetoName, nameLength, flags);
    }
    int getVersionEx(std::uint8_t* record) override { return usb_.getVersionEx(record); }

private:
    void waitForRemoval(std::uint32_t devInst) {
        if (const std::uint32_t ms = usb_.removalDelayMs(devInst); ms > 0) clock_.sleep(ms);
    }

    SimUsbTree& usb_;
    Clock& clock_;
};

}  // namespace pivora::sim
