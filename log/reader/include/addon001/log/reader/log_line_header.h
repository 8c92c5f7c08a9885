#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace logreading {

// The header of a log line, "09:05:03.047 INF 3412 message": time of day, level and thread id,
// each followed by one space.
struct LineHeader {
    int time = 0;  // milliseconds since midnight
    std::uint32_t thread = 0;
    // The level's number; none for "---", the text of every level without a name, whose number
    // the line does not tell.
    std::optional<int> level;
    const char* levelText = "---";   // static text
    std::uint32_t messageStart = 0;  // where the message begins in the line
};

// The header of `line` (without its line end), or none when the line is no record's first line:
// the time must be a valid time of day in exactly the header's form, the level one of the level
// texts or "---", the thread id a decimal number of 32 bits without leading zeros. The space after
// the thread id may be missing at the end of the line (an empty message whose trailing blank an
// editor removed).
// Fills `header` only when the line has one.
bool parseLineHeader(std::string_view line, LineHeader& header);

inline std::optional<LineHeader> parseLineHeader(std::string_view line) {
    LineHeader header;
    if (!parseLineHeader(line, header)) return std::nullopt;
    return header;
}

// True when `line` starts like a header (two digits and a colon) though parseLineHeader refuses
// it: a damaged header rather than a message's continuation line.
bool looksLikeDamagedHeader(std::string_view line);

}  // namespace logreading
