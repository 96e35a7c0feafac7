#pragma once

#include <cstddef>

namespace pivora {

// Windows compares the names of registry keys, printer ports and device
// software keys without regard to case; the names are ASCII, so the locale
// plays no part.
inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Two terminated names equal but for the case of their letters.
inline bool equalsIgnoringCase(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
    return *a == *b;
}

}  // namespace pivora
