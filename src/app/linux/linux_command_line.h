#pragma once

#include <string>
#include <vector>

#include "app/start_options.h"
#include "remote/remote_request.h"

namespace pivora {

// What the Linux program's arguments ask for.
struct LinuxCommandLine {
    enum Action {
        StartDesktop,  // nothing, or `--log`: the control with its window and tray icon
        Run,           // `run [--log]`: the control in the foreground, without a window
        SendRequest,   // `request` for the running Pivora
        ShowUsage,     // anything else: the usage text, exit status 2
    };

    Action action = ShowUsage;
    StartOptions start;
    RemoteRequest request;
};

// The words after the program's name, exactly as given.
LinuxCommandLine parseLinuxCommandLine(const std::vector<std::string>& arguments);

// How the Linux program starts, for usageText.
extern const char* const kLinuxStartUsage;

}  // namespace pivora
