#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/host.h"

namespace pivora::switchsim {

// The words of a console line and the values they stand for; each parser
// gives nothing for a word that is not one.
std::vector<std::string> splitWords(const std::string& line);
// The words from `first` on, joined by single spaces.
std::string joinWords(const std::vector<std::string>& words, std::size_t first, std::size_t end);
std::optional<sim::Host> parseHost(const std::string& word);
// A downstream port, 0 to 3.
std::optional<int> parsePort(const std::string& word);
// A USB ID: one to four hexadecimal digits.
std::optional<std::uint16_t> parseUsbId(const std::string& word);
// A number, decimal or with 0x hexadecimal, up to `limit`.
std::optional<std::uint32_t> parseNumber(const std::string& word, std::uint32_t limit);

// `text` as a JSON string, quoted and escaped.
std::string jsonString(const std::string& text);

}  // namespace pivora::switchsim
