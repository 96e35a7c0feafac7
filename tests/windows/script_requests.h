#pragma once

// What the Windows test drivers share: waiting on a condition, and the
// requests they make of the script that runs them (tools/run-program-tests.sh,
// tools/run-two-computers.sh), which runs xdotool and takes screenshots for
// them ("@xdotool ARGS", "@screenshot NAME", each answered with
// "ok STATUS"), and passes other requests on, one answer line each.

#include <algorithm>
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

// Reads one line from standard input without its line end; the part of a
// line beyond `limit` characters is dropped. Empty once input has ended.
inline std::string readLine(std::size_t limit = 16384) {
    std::string line;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, stdin) != nullptr) {
        const std::size_t length = std::strlen(chunk);
        line.append(chunk, std::min(length, limit - std::min(limit, line.size())));
        if (length > 0 && chunk[length - 1] == '\n') break;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

// One request to the script and its answer line.
inline std::string ask(const std::string& request) {
    std::printf("@%s\n", request.c_str());
    std::fflush(stdout);
    return readLine();
}

// One request to the script; true when the script ran it successfully.
inline bool askScript(const std::string& request) { return ask(request).compare(0, 4, "ok 0") == 0; }

inline bool xdotool(const std::string& arguments) { return askScript("xdotool " + arguments); }
inline void screenshot(const char* name) { askScript(std::string("screenshot ") + name); }

}  // namespace script_requests
