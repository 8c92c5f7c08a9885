#pragma once

// The reader's parsing of a line's time of day, written for speed: it runs once for every line
// of a set. The layout it checks is the one Log::format defines for the writer.
#include <cstdint>
#include <cstring>

namespace logreading::detail {

inline unsigned digit(char character) {
    return static_cast<unsigned>(static_cast<unsigned char>(character)) - '0';
}

// Eight bytes of text as one word, in memory order.
inline std::uint64_t word(const char* text) {
    std::uint64_t value;
    std::memcpy(&value, text, sizeof value);
    return value;
}

// Eight bytes of text checked at once: where `pattern` has '0' a digit must stand, elsewhere
// the pattern's character. Every byte of text XOR pattern must be 0 at the fixed characters
// and at most 9 at the digits.
class WordShape {
public:
    constexpr explicit WordShape(const char (&pattern)[9]) {
        for (int i = 0; i < 8; ++i) {
            pattern_[i] = pattern[i];
            fixed_[i] = pattern[i] != '0' ? '\xFF' : '\0';
        }
    }

    bool matches(const char* text) const {
        const std::uint64_t difference = word(text) ^ word(pattern_);
        // A byte of 10 or more gets its high bit from the addition, one of 128 or more has it;
        // a carry out of such a byte spoils only a verdict that is "no" already.
        const std::uint64_t notDigits =
            ((difference + 0x7676767676767676u) | difference) & 0x8080808080808080u;
        return (notDigits | (difference & word(fixed_))) == 0;
    }

private:
    char pattern_[8]{};
    char fixed_[8]{};
};

// "hh:mm:ss.mmm" as two overlapping words.
inline constexpr WordShape clockShape("00:00:00");
inline constexpr WordShape fractionShape("0:00.000");

// The milliseconds since midnight of "hh:mm:ss.mmm" (exactly 12 characters at `text`, hours
// 00 to 23, minutes and seconds 00 to 59), or -1 when it is not one.
inline int parseClock(const char* text) {
    if (!clockShape.matches(text) || !fractionShape.matches(text + 4)) return -1;
    const unsigned hours = digit(text[0]) * 10 + digit(text[1]);
    if (hours > 23 || digit(text[3]) > 5 || digit(text[6]) > 5) return -1;
    return static_cast<int>(((hours * 60 + digit(text[3]) * 10 + digit(text[4])) * 60 +
                             digit(text[6]) * 10 + digit(text[7])) *
                                1000 +
                            digit(text[9]) * 100 + digit(text[10]) * 10 + digit(text[11]));
}

}  // namespace logreading::detail
