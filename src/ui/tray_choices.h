#pragma once

#include <cstdint>
#include <optional>

#include "control/control_command.h"
#include "ui/port_summary.h"

namespace pivora {

// What choosing a port's line of the tray menu asks of the control, as the
// port's lit arrow would: away when it is here, back when it is there.
// Nothing for a port the switch does not show.
std::optional<Command> portLineCommand(const SwitchSummary& summary, int trayCommand);

// The double-tap keys after one of the key submenu's items is chosen: a key
// item turns its key on or off, "Off" turns them all off.
std::uint32_t doubleTapKeysAfter(std::uint32_t keys, int trayCommand);

}  // namespace pivora
