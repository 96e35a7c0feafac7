#pragma once

// What the Windows test drivers share: waiting on a condition, and the
// requests they make of tools/run-program-tests.sh, which runs xdotool and
// takes screenshots for them ("@xdotool ARGS", "@screenshot NAME", each
// answered with "ok STATUS").

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/windows_api.h"

namespace script_requests {

// Polls `condition` every 20 ms for up to `limitMs`; true once it holds.
template <typename Condition>
bool waitFor(Condition condition, DWORD limitMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= limitMs) return false;
        Sleep(20);
    }
}

// One request to the script; true when the script ran it successfully.
inline bool askScript(const std::string& request) {
    std::printf("@%s\n", request.c_str());
    std::fflush(stdout);
    char reply[64] = {};
    if (std::fgets(reply, sizeof reply, stdin) == nullptr) return false;
    return std::strncmp(reply, "ok 0", 4) == 0;
}

inline bool xdotool(const std::string& arguments) { return askScript("xdotool " + arguments); }
inline void screenshot(const char* name) { askScript(std::string("screenshot ") + name); }

}  // namespace script_requests
