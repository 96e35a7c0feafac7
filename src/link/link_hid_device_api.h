#pragma once

#include "link/link_connection.h"
#include "platform/hid_device_api.h"

namespace pivora::link {

// The HID device seam over the link. A read or write becomes an operation
// on the simulator's own record and buffer; its outcome comes back into the
// caller's record and buffer, written by the link's receiving thread.
class LinkHidDeviceApi : public HidDeviceApi {
public:
    explicit LinkHidDeviceApi(LinkConnection& link) : link_(link) {}

    OsHandle openDevice(const char* path, int overlapped) override;
    int getAttributes(OsHandle device, HidAttributesRecord* attributes) override;
    int readReport(OsHandle device, std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    int writeReport(OsHandle device, const std::uint8_t* buffer, std::uint32_t length, IoRecord* record) override;
    // What the simulator's GetLastError said right after this thread's last call.
    std::uint32_t lastError() override;
    int cancelIo(OsHandle device) override;
    OsHandle createEvent() override;
    int closeHandle(OsHandle handle) override;

private:
    int startIo(MessageType type, OsHandle device, const std::uint8_t* buffer, std::uint32_t length,
                IoRecord* record, std::uint8_t* readInto);
    // A call answered with one value and the last error: the value, or 0.
    std::uint64_t simpleCall(FrameWriter& request);

    LinkConnection& link_;
};

}  // namespace pivora::link
