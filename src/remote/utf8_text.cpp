#include "remote/utf8_text.h"

#include <cstdint>

namespace pivora {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point at `at` and the bytes it takes, by the well-formed byte
// sequences of Unicode's table 3-7; a byte that starts none is U+FFFD and
// takes one byte.
char32_t decodeAt(const std::string& text, std::size_t at, std::size_t& taken) {
    const auto byte = [&text](std::size_t index) { return static_cast<std::uint8_t>(text[index]); };
    const std::uint8_t lead = byte(at);
    taken = 1;
    if (lead < 0x80) return lead;
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the second byte's range
    std::uint8_t high = 0xBF;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
        return kReplacement;
    }
    if (text.size() - at < length) return kReplacement;
    for (std::size_t index = 1; index < length; ++index) {
        const std::uint8_t next = byte(at + index);
        if (next < (index == 1 ? low : 0x80) || next > (index == 1 ? high : 0xBF)) return kReplacement;
        code = (code << 6) | (next & 0x3Fu);
    }
    taken = length;
    return code;
}

template <typename Append>
void forEachCodePoint(const std::string& text, Append append) {
    std::size_t taken = 0;
    for (std::size_t at = 0; at < text.size(); at += taken) append(decodeAt(text, at, taken));
}

}  // namespace

std::string utf8FromUtf16(const char16_t* text, std::size_t length) {
    std::string out;
    for (std::size_t at = 0; at < length; ++at) {
        const char32_t unit = text[at];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && at + 1 < length && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00));
            ++at;
        } else {
            appendUtf8(out, high || low ? kReplacement : unit);
        }
    }
    return out;
}

void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    forEachCodePoint(text, [&out](char32_t code) {
        switch (code) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (code < 0x20) {
                    constexpr const char* kHex = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[code >> 4];
                    out += kHex[code & 0xF];
                } else {
                    appendUtf8(out, code);
                }
                break;
        }
    });
    out += '"';
}

void appendPrintable(std::string& out, const std::string& text) {
    forEachCodePoint(text, [&out](char32_t code) {
        const bool control = code < 0x20 || (code >= 0x7F && code < 0xA0);
        appendUtf8(out, control ? kReplacement : code);
    });
}

}  // namespace pivora
