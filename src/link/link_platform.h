#pragma once

#include <memory>

#include "link/link_connection.h"
#include "link/link_device_interface_api.h"
#include "link/link_hid_device_api.h"
#include "link/link_registry_api.h"
#include "link/link_spooler_api.h"
#include "link/link_usb_hub_api.h"
#include "platform/platform.h"

namespace pivora::link {

// Every device seam of one simulated computer, each call crossing the link
// to the switch simulator; the clock and the trace are the computer's own.
class LinkPlatform {
public:
    LinkPlatform(std::unique_ptr<LinkTransport> transport, char hostLetter, Clock& clock, DiagnosticTrace& trace,
                 LinkConnection::TreeChanged onTreeChanged)
        : connection(std::move(transport), hostLetter, std::move(onTreeChanged)),
          platform{clock, trace, interfaces_, hid_, hubs_, removal_, spooler_, registry_} {}
    LinkPlatform(const LinkPlatform&) = delete;
    LinkPlatform& operator=(const LinkPlatform&) = delete;

    LinkConnection connection;

private:
    LinkDeviceInterfaceApi interfaces_{connection};
    LinkHidDeviceApi hid_{connection};
    LinkUsbHubApi hubs_{connection};
    LinkDeviceRemovalApi removal_{connection};
    LinkSpoolerApi spooler_{connection};
    LinkRegistryApi registry_{connection};

public:
    // Declared after the seams it refers to.
    Platform platform;
};

}  // namespace pivora::link
