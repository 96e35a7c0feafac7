#pragma once

#include <cstddef>
#include <string>

namespace pivora {

// UTF-16 as UTF-8; a surrogate without its pair becomes U+FFFD.
std::string utf8FromUtf16(const char16_t* text, std::size_t length);

// `text` as a JSON string, quotes included: the quote, the backslash and
// every control character escaped. Whatever `text` holds, what is appended
// is valid UTF-8: a byte that starts no well-formed UTF-8 sequence (an
// overlong form, a surrogate, a cut-off sequence) becomes U+FFFD.
void appendJsonString(std::string& out, const std::string& text);

// `text` as a terminal may show it: invalid UTF-8 and every control
// character (C0, DEL, C1, among them the escape sequences' introducers)
// become U+FFFD.
void appendPrintable(std::string& out, const std::string& text);

}  // namespace pivora
