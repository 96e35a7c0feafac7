#pragma once

#include <cstdio>
#include <string>

namespace pivora::soak {

// A byte or mask as the step log and the broken rules show it: two hex digits.
inline std::string hexText(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace pivora::soak
