#pragma once

#include "link/link_connection.h"
#include "platform/device_removal_api.h"
#include "platform/usb_hub_api.h"

namespace pivora::link {

// The USB hub I/O controls over the link: the records go both ways as the
// very bytes the simulated hub reads and fills.
class LinkUsbHubApi : public UsbHubApi {
public:
    explicit LinkUsbHubApi(LinkConnection& link) : link_(link) {}

    OsHandle openDevice(const char* path) override;
    int ioControl(OsHandle device, std::uint32_t code, std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
                  std::uint32_t outSize) override;
    int closeHandle(OsHandle device) override;
    int wideToAnsi(const std::uint8_t* utf16le, char* out, int outSize) override;

private:
    LinkConnection& link_;
};

// Configuration Manager removal and the Windows version over the link.
class LinkDeviceRemovalApi : public DeviceRemovalApi {
public:
    explicit LinkDeviceRemovalApi(LinkConnection& link) : link_(link) {}

    std::uint32_t requestDeviceEject(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                     std::uint32_t nameLength, std::uint32_t flags) override;
    std::uint32_t queryAndRemoveSubTree(std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                                        std::uint32_t nameLength, std::uint32_t flags) override;
    int getVersionEx(std::uint8_t* record) override;

private:
    std::uint32_t remove(MessageType type, std::uint32_t devInst, std::uint32_t* vetoType, char* vetoName,
                         std::uint32_t nameLength, std::uint32_t flags);

    LinkConnection& link_;
};

}  // namespace pivora::link
