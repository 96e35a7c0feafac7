#include "app/switch_dialog.h"

namespace pivora {

int SwitchDialog::storeAndVerifyPortId(std::uint8_t, std::uint16_t, std::uint16_t) { return 0; }
void SwitchDialog::loadAllPortIds() {}
void SwitchDialog::clearPortIdSlots(std::uint8_t) {}
void SwitchDialog::dumpPortIds() {}

}  // namespace pivora
