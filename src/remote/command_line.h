#pragma once

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

// Printed for ShowUsage; ends with a newline.
extern const char* const kUsageText;

}  // namespace pivora
