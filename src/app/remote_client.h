#pragma once

#include "remote/remote_request.h"

namespace pivora {

// Hands `request` to the Pivora running in this session (its main window,
// found by title as a second copy finds it) and returns its answer, taken
// by a message-only window of this process while the request is handled.
// Exit status 3 with a text of its own when no copy runs or none answered.
RemoteAnswer askRunningCopy(const RemoteRequest& request);

}  // namespace pivora
