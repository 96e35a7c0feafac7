#include "console_words.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "sim/switch_hub.h"

namespace pivora::switchsim {

namespace {
std::optional<unsigned long> parseWhole(const std::string& word, int base) {
    if (word.empty() || word[0] == '-' || word[0] == '+') return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(word.c_str(), &end, base);
    if (end == nullptr || *end != '\0') return std::nullopt;
    return value;
}
}  // namespace

std::vector<std::string> splitWords(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

std::string joinWords(const std::vector<std::string>& words, std::size_t first, std::size_t end) {
    std::string joined;
    for (std::size_t index = first; index < end && index < words.size(); ++index) {
        if (!joined.empty()) joined += ' ';
        joined += words[index];
    }
    return joined;
}

std::optional<sim::Host> parseHost(const std::string& word) {
    if (word == "A" || word == "a") return sim::Host::A;
    if (word == "B" || word == "b") return sim::Host::B;
    return std::nullopt;
}

std::optional<int> parsePort(const std::string& word) {
    const std::optional<unsigned long> port = parseWhole(word, 10);
    if (!port || *port >= static_cast<unsigned long>(sim::SwitchHub::kPorts)) return std::nullopt;
    return static_cast<int>(*port);
}

std::optional<std::uint16_t> parseUsbId(const std::string& word) {
    const std::optional<unsigned long> id = word.size() <= 4 ? parseWhole(word, 16) : std::nullopt;
    if (!id) return std::nullopt;
    return static_cast<std::uint16_t>(*id);
}

std::optional<std::uint32_t> parseNumber(const std::string& word, std::uint32_t limit) {
    const std::optional<unsigned long> value = parseWhole(word, 0);
    if (!value || *value > limit) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

}  // namespace pivora::switchsim
