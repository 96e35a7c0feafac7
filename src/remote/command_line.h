#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/start_options.h"
#include "remote/remote_request.h"

namespace pivora {

// What the program's arguments ask for.
struct CommandLine {
    enum Action {
        StartTray,    // no command: the tray program, with `start`
        SendRequest,  // `request` for the running Pivora
        ShowUsage,    // anything else: the usage text, exit status 2
    };

    Action action = ShowUsage;
    StartOptions start;
    RemoteRequest request;
};

// `arguments` are the words after the program's name, exactly as given:
// nothing is trimmed, case counts, and a port is one digit from 1 to 4.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The request `arguments` ask of the running Pivora, read as
// parseCommandLine reads them; nothing when they ask for none.
std::optional<RemoteRequest> parseRequest(const std::vector<std::string>& arguments);

// Printed for ShowUsage: how Pivora starts on this system (`startUsage`,
// its first lines), then the requests; ends with a newline.
std::string usageText(const char* startUsage);

// How the Windows program starts, for usageText.
extern const char* const kWindowsStartUsage;

}  // namespace pivora
