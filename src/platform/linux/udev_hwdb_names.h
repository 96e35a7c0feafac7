#pragma once

#include "platform/linux/usb_name_database.h"

namespace pivora {

// USB names from udev's hardware database (hwdb.bin), opened afresh at each
// lookup. A system without the database knows no names.
class UdevHwdbNames : public UsbNameDatabase {
public:
    UsbIdNames lookup(std::uint16_t vendorId, std::uint16_t productId) override;
};

}  // namespace pivora
