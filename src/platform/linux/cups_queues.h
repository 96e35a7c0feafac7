#pragma once

#include <cups/cups.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pivora {

// A print queue of the CUPS server.
struct CupsQueue {
    std::string name;
    std::optional<std::string> deviceUri;  // none when the server would not say
    std::uint32_t activeJobs = 0;          // jobs not yet printed, held or stopped ones too
};

// What the server the user's environment names said of its queues.
struct CupsQueueReading {
    bool answered = false;  // false: no server, or it stopped answering midway
    std::string server;     // the server asked, for the trace
    std::string failure;    // why it did not answer
    std::vector<CupsQueue> queues;
};

// Every queue of the server, in its order, with its device URI and its
// count of active jobs. Opens one connection and closes it before it returns.
CupsQueueReading readCupsQueues();

// The device URI of `queue` as the server gives it to a Get-Printer-Attributes
// request; none when it will not.
std::optional<std::string> askDeviceUri(http_t* http, const std::string& queue);

}  // namespace pivora
