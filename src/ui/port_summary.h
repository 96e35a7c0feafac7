#pragma once

#include <string>
#include <vector>

#include "control/panel_state.h"

namespace pivora {

// One port as the user numbers it: the digit on its arrows, 1 to 4 from the
// top row down (the control's port 3 is the user's port 1).
struct PortSummary {
    int number = 0;
    std::string device;
    bool here = false;     // the port belongs to this computer
    bool pending = false;  // a move of it is under way
};

// What the tray menu, the command line and the notifications say of the
// switch, read from one PanelState.
struct SwitchSummary {
    bool connected = false;  // a switch is found and its ports are shown
    std::vector<PortSummary> ports;  // by number
};

SwitchSummary summarize(const PanelState& panel);

// The control's port 0..3 of the user's port 1..4, and back; -1 outside.
int controlPortOf(int number);
int userNumberOf(int controlPort);

}  // namespace pivora
