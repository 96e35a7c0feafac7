#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pivora::fuzz {

// Well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing
// past U+10FFFF, no sequence cut short.
inline bool validUtf8(const std::string& text) {
    const auto byte = [&text](std::size_t at) { return static_cast<std::uint8_t>(text[at]); };
    for (std::size_t at = 0; at < text.size();) {
        const std::uint8_t lead = byte(at);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++at;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code = lead & 0x07u;
        } else {
            return false;
        }
        if (text.size() - at <= extra) return false;
        for (std::size_t index = 1; index <= extra; ++index) {
            if ((byte(at + index) & 0xC0) != 0x80) return false;
            code = (code << 6) | (byte(at + index) & 0x3Fu);
        }
        const std::uint32_t least = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        at += extra + 1;
    }
    return true;
}

// One JSON value (RFC 8259) with nothing after it but whitespace; strings
// hold no raw control character and only the escapes JSON has.
class JsonCheck {
public:
    static bool valid(const std::string& text) {
        JsonCheck check(text);
        check.space();
        if (!check.value(0)) return false;
        check.space();
        return check.at_ == text.size();
    }

private:
    explicit JsonCheck(const std::string& text) : text_(text) {}

    static constexpr int kDeepest = 16;

    bool more() const { return at_ < text_.size(); }
    char peek() const { return more() ? text_[at_] : '\0'; }
    bool take(char c) {
        if (peek() != c) return false;
        ++at_;
        return true;
    }
    bool word(const char* expected) {
        for (; *expected != '\0'; ++expected)
            if (!take(*expected)) return false;
        return true;
    }
    void space() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r') ++at_;
    }
    bool digits() {
        const std::size_t start = at_;
        while (peek() >= '0' && peek() <= '9') ++at_;
        return at_ > start;
    }
    bool number() {
        take('-');
        if (!take('0') && !digits()) return false;
        if (take('.') && !digits()) return false;
        if (take('e') || take('E')) {
            if (!take('+')) take('-');
            if (!digits()) return false;
        }
        return true;
    }
    bool string() {
        if (!take('"')) return false;
        while (more()) {
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c != '\\') continue;
            const char escape = peek();
            ++at_;
            if (escape == 'u') {
                for (int digit = 0; digit < 4; ++digit) {
                    const char h = peek();
                    if (!((h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F'))) return false;
                    ++at_;
                }
            } else if (std::string("\"\\/bfnrt").find(escape) == std::string::npos || escape == '\0') {
                return false;
            }
        }
        return false;
    }
    template <typename Item>
    bool list(char close, Item item, int depth) {
        space();
        if (take(close)) return true;
        do {
            space();
            if (!item(depth + 1)) return false;
            space();
        } while (take(','));
        return take(close);
    }
    bool value(int depth) {
        if (depth > kDeepest) return false;
        switch (peek()) {
            case '{':
                ++at_;
                return list('}', [this](int inner) { return string() && (space(), take(':')) && (space(), value(inner)); },
                            depth);
            case '[':
                ++at_;
                return list(']', [this](int inner) { return value(inner); }, depth);
            case '"':
                return string();
            case 't':
                return word("true");
            case 'f':
                return word("false");
            case 'n':
                return word("null");
            default:
                return number();
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

}  // namespace pivora::fuzz
