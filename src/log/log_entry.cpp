#include "log/log_entry.h"

#include <cstdio>
#include <string_view>

namespace pivora {

namespace {

const char* channelName(TraceChannel channel) {
    switch (channel) {
        case TraceChannel::ReportsDelivered:
            return "delivered";
        case TraceChannel::ReportsWritten:
            return "written";
        case TraceChannel::Text:
            return "text";
    }
    return "unknown";
}

// "2026-12-11 14:03:07.123 written", the part every entry starts with.
std::string heading(const LocalTime& time, TraceChannel channel) {
    char stamp[64];
    (void)std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u %s", unsigned{time.year},
                        unsigned{time.month}, unsigned{time.day}, unsigned{time.hour}, unsigned{time.minute},
                        unsigned{time.second}, unsigned{time.millisecond}, channelName(channel));
    return stamp;
}

}  // namespace

std::string reportEntry(const LocalTime& time, TraceChannel channel, const std::uint8_t* bytes, std::size_t length) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string entry = heading(time, channel);
    entry.reserve(entry.size() + 3 * length + 2);
    for (std::size_t i = 0; i < length; ++i) {
        entry += ' ';
        entry += kDigits[bytes[i] >> 4];
        entry += kDigits[bytes[i] & 0x0F];
    }
    entry += "\r\n";
    return entry;
}

std::string textEntry(const LocalTime& time, TraceChannel channel, const char* text) {
    std::string entry = heading(time, channel);
    entry += ' ';
    entry += text;
    if (entry.back() != '\n') entry += "\r\n";
    return entry;
}

}  // namespace pivora
