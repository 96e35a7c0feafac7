#include <array>
#include <cstdio>
#include <cstring>

#include "control/switch_control.h"

namespace pivora {

namespace {
constexpr const char* kHubName = "Generic USB Hub";
constexpr const char* kUnnamedDevice = "USB Device";
constexpr std::size_t kWorkSize = 256;

// The ports each switch model shows, in the order the panel walks them.
constexpr std::array<int, 2> kTwoPortPorts = {2, 3};
constexpr std::array<int, 4> kFourPortPorts = {0, 1, 2, 3};

bool owns(std::uint8_t mask, int port) { return (mask & (1u << port)) != 0; }

// Visits the ports of the switch model, in the panel's order; none for a
// switch whose model is not known yet.
template <typename Visit>
void forEachPortInUse(HubKind kind, Visit visit) {
    if (kind == TwoPort) {
        for (int port : kTwoPortPorts) visit(port);
    } else if (kind == FourPort) {
        for (int port : kFourPortPorts) visit(port);
    }
}
}  // namespace

void SwitchControl::refreshPortPanel(std::uint8_t ownedPorts) {
    DiagnosticTrace& trace = host_.trace();
    if (hubKind == TwoPort) {
        char line[40];
        (void)std::snprintf(line, sizeof line, "UploadUSBIDToHub=%.2X\r\n", static_cast<unsigned>(ownedPorts));
        trace.line(TraceChannel::Text, line);
    }
    panel_.layout = hubKind;
    forEachPortInUse(hubKind, [this, ownedPorts](int port) { refreshPortRow(port, ownedPorts); });
    if (hubKind == TwoPort) {
        // Ports 0 and 1 are no ports of this model.
        for (int port : {0, 1}) panel_.ports.at(static_cast<std::size_t>(port)) = PortRowState{};
        trace.line(TraceChannel::Text, "=====================\r\n");
    }
}

void SwitchControl::refreshPortRow(int port, std::uint8_t ownedPorts) {
    PortRowState& row = panel_.ports.at(static_cast<std::size_t>(port));
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint32_t isHub = 0;
    std::array<char, kWorkSize> name{};
    if (usb.queryHubPort(hubName.data(), port, &vendorId, &productId, &isHub) == 1) {
        if (isHub != 0) {
            (void)std::snprintf(name.data(), name.size(), "%s", kHubName);
        } else if (usb.findPresentDevice(vendorId, productId, name.data()) != 1) {
            (void)std::snprintf(name.data(), name.size(), "%s", kUnnamedDevice);
        }
    }
    row.visible = true;
    row.name = name.data();

    PortIdSlot& slot = portIds.at(static_cast<std::size_t>(port));
    if (owns(ownedPorts, port)) {
        char line[24];
        if (hubKind == TwoPort) {
            (void)std::snprintf(line, sizeof line, "Found i=%.2X\r\n", static_cast<unsigned>(port));
            host_.trace().line(TraceChannel::Text, line);
        }
        // The slot follows the device on the port: a new device, even one
        // from the same maker, is stored so that the other computer names it
        // and the printer poll finds it.
        if (slot.valid == 0 || slot.vendorId != vendorId || slot.productId != productId) {
            slot = PortIdSlot{vendorId, productId, 1};
            // A store the controller did not keep is tried again by the next
            // refresh; until then the other computer cannot name the device.
            if (storeAndVerifyPortId(static_cast<std::uint8_t>(1u << port), vendorId, productId) != 1) slot.valid = 0;
        }
        if (hubKind == TwoPort) host_.trace().line(TraceChannel::Text, "End i\r\n");
    } else {
        // The other computer stored what sits on this port; name it if this
        // computer has ever seen such a device.
        slot.valid = 0;
        std::array<char, kWorkSize> known{};
        if (usb.findKnownDevice(slot.vendorId, slot.productId, known.data()) == 1)
            row.name = known.data();
    }
}

void SwitchControl::showPortOwners(std::uint8_t otherPorts) {
    forEachPortInUse(hubKind, [this, otherPorts](int port) {
        PortRowState& row = panel_.ports.at(static_cast<std::size_t>(port));
        // The lit button stands on the side of the computer that holds the port.
        const bool here = !owns(otherPorts, port);
        row.claim = here ? ArrowImage::Lit : ArrowImage::Dim;
        row.release = here ? ArrowImage::Dim : ArrowImage::Lit;
    });
}

void SwitchControl::markPortPending(int port, bool claims) {
    PortRowState& row = panel_.ports.at(static_cast<std::size_t>(port));
    // Seen at once: published before whatever the request waits for.
    (claims ? row.claim : row.release) = ArrowImage::Pending;
}

}  // namespace pivora
