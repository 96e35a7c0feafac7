#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/diagnostic_trace.h"
#include "platform/log_file_api.h"

namespace pivora {

// One line of the diagnostic log: the local date and time to the
// millisecond, the channel's name, then the report's bytes in hexadecimal or
// the text as it came, ended by "\r\n":
//   2026-12-11 14:03:07.123 written 0A 01 00 00 00 00 00 00
//   2026-12-11 14:03:07.130 text Port 2 released
std::string reportEntry(const LocalTime& time, TraceChannel channel, const std::uint8_t* bytes, std::size_t length);
// Text lines end in "\r\n" already; one that does not is given the ending,
// so that the next entry starts a line of its own.
std::string textEntry(const LocalTime& time, TraceChannel channel, const char* text);

}  // namespace pivora
