#include "ui/tray_choices.h"

#include "settings/lock_keys.h"
#include "ui/tray_menu_items.h"

namespace pivora {

std::optional<Command> portLineCommand(const SwitchSummary& summary, int trayCommand) {
    const int number = trayCommand - tray::FirstPort;
    for (const PortSummary& port : summary.ports)
        if (port.number == number)
            return Command{port.here ? Command::Release : Command::Claim, controlPortOf(number)};
    return std::nullopt;
}

std::uint32_t doubleTapKeysAfter(std::uint32_t keys, int trayCommand) {
    switch (trayCommand) {
        case tray::KeyNumLock:
            return keys ^ lock_keys::kNumLock;
        case tray::KeyScrollLock:
            return keys ^ lock_keys::kScrollLock;
        case tray::KeyCapsLock:
            return keys ^ lock_keys::kCapsLock;
        default:
            return 0;
    }
}

}  // namespace pivora
