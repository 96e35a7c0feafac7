#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "sim/host.h"
#include "sim/virtual_clock.h"

namespace pivora::sim {

// A model of the controller inside the switch: who owns each downstream port,
// the five-slot port ID registry, and the replies and relayed requests the
// controller sends. It answers each host's reports after a reply delay, relays
// a claim to the other host as a ReleaseRequest, and switches the ports named
// in a ReleaseDone. The other computer may be played by the model itself.
class SwitchFirmware {
public:
    // How a report leaves the controller towards a host's HID device.
    using Outlet = std::function<void(Host, const WireReport&)>;

    struct PortId {
        std::uint16_t vendorId;
        std::uint16_t productId;
    };

    struct ReceivedReport {
        std::uint64_t time;
        Host from;
        WireReport bytes;
    };

    static constexpr int kSlots = 5;

    explicit SwitchFirmware(VirtualClock& clock) : clock_(clock) {}

    void connectOutlet(Outlet outlet) { outlet_ = std::move(outlet); }

    // Told each time a ReleaseDone switches ports, after the switch.
    using PortsMoved = std::function<void(Host from, Host to, std::uint8_t ports)>;
    void connectPortsMoved(PortsMoved listener) { portsMoved_ = std::move(listener); }
    // Told of every report a host writes, as its write completes and before
    // the controller acts on it.
    using Written = std::function<void(Host from, const WireReport&)>;
    void connectWritten(Written listener) { written_ = std::move(listener); }

    void setFirmwareVersion(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) { version_ = {major, minor, patch}; }
    // Bit n set: downstream port n is connected to host B.
    void setRawMask(std::uint8_t mask) { rawMask_ = mask; }
    std::uint8_t rawMask() const { return rawMask_; }
    std::uint8_t portsOf(Host host) const;

    void setReplyDelay(std::uint32_t ms) { replyDelayMs_ = ms; }
    void setPortId(int slot, PortId id);
    PortId portId(int slot) const;

    // The model plays `host`: every ReleaseRequest to it is granted and then
    // carried out in full, as a real peer with nothing busy would.
    void playPeer(Host host, std::uint32_t answerDelayMs = 700);

    // The next `count` requests with this code get no reply (count < 0: none
    // ever again). A reply that never comes.
    void withholdReplies(std::uint8_t requestCode, int count);

    // The registry keeps what it holds and ignores every StorePortId, as a
    // controller whose storage has worn out would.
    void refuseStores(bool refuses) { storesRefused_ = refuses; }

    // Unsolicited reports towards a host.
    void sendPortIdCleared(Host to, std::uint8_t slotMask);
    void sendRaw(Host to, const WireReport& report, std::uint32_t delayMs = 0);

    // A report written by `from`, as its write completes.
    void receive(Host from, const std::uint8_t* bytes, std::size_t length);

    const std::vector<ReceivedReport>& received() const { return received_; }
    bool signedOff(Host host) const { return signedOff_.at(static_cast<std::size_t>(host)); }
    std::uint8_t lastGrant(Host host) const { return lastGrant_.at(static_cast<std::size_t>(host)); }

private:
    void reply(Host to, const WireReport& report);
    void requestRelease(Host from, std::uint8_t mask);
    void releaseDone(Host from, std::uint8_t mask);
    bool replyWithheld(std::uint8_t requestCode);

    VirtualClock& clock_;
    Outlet outlet_;
    PortsMoved portsMoved_;
    Written written_;
    std::array<std::uint8_t, 3> version_{1, 2, 3};
    std::uint8_t rawMask_ = 0x00;
    std::uint32_t replyDelayMs_ = 5;
    std::array<PortId, kSlots> slots_{};
    std::array<bool, 2> peerPlayed_{false, false};
    std::array<std::uint32_t, 2> peerDelayMs_{0, 0};
    std::array<bool, 2> signedOff_{false, false};
    std::array<std::uint8_t, 2> lastGrant_{0, 0};
    bool storesRefused_ = false;
    std::map<std::uint8_t, int> withheld_;
    std::vector<ReceivedReport> received_;
};

}  // namespace pivora::sim
