#pragma once

// The check harness of the Windows-side test programs: start() says where the
// program runs, each CHECK counts as passed or failed (a failure prints its
// line), and finish() prints "N passed, M failed" and gives the exit code.

#include <cstdio>

#include "platform/win32/windows_api.h"

namespace wine_check {

inline int passed = 0;
inline int failed = 0;

inline bool check(bool ok, const char* expression, int line) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAILED line %d: %s\n", line, expression);
    }
    return ok;
}

// Wine's version, or nullptr on Windows.
inline const char* wineVersion() {
    using Getter = const char* (*)();
    const FARPROC proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    return proc != nullptr ? reinterpret_cast<Getter>(reinterpret_cast<void (*)()>(proc))() : nullptr;
}

// Prints where the program runs and returns wineVersion(). Output is
// unbuffered from here, so a crash or a hang still leaves everything printed.
inline const char* start() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const char* wine = wineVersion();
    std::printf("Running under %s%s\n", wine != nullptr ? "Wine " : "Windows", wine != nullptr ? wine : "");
    return wine;
}

// Prints the totals; the program's exit code.
inline int finish() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace wine_check

#define CHECK(expression) wine_check::check(static_cast<bool>(expression), #expression, __LINE__)
