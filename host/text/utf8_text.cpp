#include "utf8_text.h"

#include <cstdint>

namespace host {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 where the code page assigns none.
constexpr std::uint16_t windows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

bool isUtf8(const std::string& text) {
    std::size_t index = 0;
    while (index < text.size()) {
        const auto lead = static_cast<unsigned char>(text[index]);
        std::size_t length = 0;
        // The second byte's range, which excludes overlong forms, surrogates and code points
        // beyond U+10FFFF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++index;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (text.size() - index < length) return false;
        const auto second = static_cast<unsigned char>(text[index + 1]);
        if (second < low || second > high) return false;
        for (std::size_t next = 2; next < length; ++next) {
            if (!isContinuation(static_cast<unsigned char>(text[index + next]))) return false;
        }
        index += length;
    }
    return true;
}

std::string interfaceTextToUtf8(const std::string& text) {
    if (isUtf8(text)) return text;
    std::string out;
    out.reserve(text.size() * 2);
    for (char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        std::uint32_t codePoint = byte;
        if (byte >= 0x80 && byte <= 0x9F && windows1252High[byte - 0x80] != 0) {
            codePoint = windows1252High[byte - 0x80];
        }
        appendUtf8(out, codePoint);
    }
    return out;
}

}  // namespace host
