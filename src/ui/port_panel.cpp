#include "app/switch_dialog.h"

namespace pivora {

void SwitchDialog::refreshPortPanel(std::uint8_t) {}
void SwitchDialog::showPortOwners(std::uint8_t) {}
void SwitchDialog::markPortPending(int, int) {}

}  // namespace pivora
