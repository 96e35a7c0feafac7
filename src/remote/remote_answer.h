#pragma once

#include <cstddef>
#include <optional>

#include "control/control_command.h"
#include "remote/remote_request.h"
#include "ui/port_summary.h"

namespace pivora {

// What the window does with a request: the answer it sends back, and the
// command it posts to the control, the one a click on the same arrow or the
// double tap posts.
struct RemoteDecision {
    RemoteAnswer answer;
    std::optional<Command> command;
};

// A device name's bytes beyond this are left out of an answer, so that
// every answer fits its message.
constexpr std::size_t kAnswerNameLimit = 1024;

// Decided from the switch as the window shows it, never by waiting for the
// control; the summary's device names are UTF-8, or meant to be. Status is
// always answered. A move is refused (exit status 4) with no switch
// connected, for a port this switch does not have, for a port moving
// already (a toggle: while any port is), for a claim of a port that is here
// and a release of one that is not.
RemoteDecision decide(const RemoteRequest& request, const SwitchSummary& summary);

}  // namespace pivora
