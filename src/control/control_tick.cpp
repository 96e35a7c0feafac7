#include "app/switch_dialog.h"

namespace pivora {

void SwitchDialog::controlTick(std::uintptr_t) {}

}  // namespace pivora
