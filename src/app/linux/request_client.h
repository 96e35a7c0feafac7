#pragma once

#include <gio/gio.h>

#include <optional>

#include "remote/remote_request.h"

namespace pivora {

// Hands `request` to the Pivora running in this session over `bus` and
// returns its answer. Exit status 3 with a text of its own when none runs
// or none answered within 5 s.
RemoteAnswer askRunningPivora(GDBusConnection* bus, const RemoteRequest& request);

// Asks the Pivora running in this session to show its window: whether it
// did; none when no Pivora answered.
std::optional<bool> showRunningPivora(GDBusConnection* bus);

}  // namespace pivora
