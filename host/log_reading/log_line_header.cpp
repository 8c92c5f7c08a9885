#include "log_line_header.h"

#include <array>
#include <charconv>
#include <cstring>

#include "addon001/log/level.h"
#include "log_time.h"

namespace logreading {

namespace {
struct NamedLevel {
    int value;
    const char* text;
};

// The levels that have a text, with the text the log library writes for each.
const std::array<NamedLevel, 8>& namedLevels() {
    static const std::array<NamedLevel, 8> levels = [] {
        std::array<NamedLevel, 8> named{};
        const int values[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF,
                              Log::DBG, Log::DB1, Log::DB2, Log::DB3};
        for (std::size_t i = 0; i < named.size(); ++i) {
            named[i] = {values[i], Log::levelName(values[i])};
        }
        return named;
    }();
    return levels;
}

constexpr std::size_t timeLength = 12;  // "09:05:03.047"
constexpr std::size_t levelAt = timeLength + 1;
constexpr std::size_t threadAt = levelAt + 4;  // after "INF "
constexpr std::size_t longestThreadId = 10;    // 4294967295
}  // namespace

std::optional<LineHeader> parseLineHeader(std::string_view line) {
    if (line.size() < threadAt + 1 || line[timeLength] != ' ' || line[levelAt + 3] != ' ') {
        return std::nullopt;
    }
    LineHeader header;
    const std::optional<int> time = parseTimeOfDay(line.substr(0, timeLength));
    if (!time) return std::nullopt;
    header.time = *time;

    const char* levelText = line.data() + levelAt;
    if (std::memcmp(levelText, "---", 3) != 0) {
        bool named = false;
        for (const NamedLevel& level : namedLevels()) {
            if (std::memcmp(levelText, level.text, 3) == 0) {
                header.level = level.value;
                header.levelText = level.text;
                named = true;
                break;
            }
        }
        if (!named) return std::nullopt;
    }

    std::size_t end = threadAt;
    while (end < line.size() && end - threadAt <= longestThreadId &&
           static_cast<unsigned>(static_cast<unsigned char>(line[end]) - '0') <= 9) {
        ++end;
    }
    const std::size_t digits = end - threadAt;
    if (digits == 0 || digits > longestThreadId || (digits > 1 && line[threadAt] == '0')) {
        return std::nullopt;
    }
    if (end < line.size() && line[end] != ' ') return std::nullopt;
    const auto parsed = std::from_chars(line.data() + threadAt, line.data() + end, header.thread);
    if (parsed.ec != std::errc()) return std::nullopt;  // more than 32 bits
    header.messageStart = end < line.size() ? end + 1 : end;
    return header;
}

bool looksLikeDamagedHeader(std::string_view line) {
    return line.size() >= 3 && static_cast<unsigned>(line[0] - '0') <= 9 &&
           static_cast<unsigned>(line[1] - '0') <= 9 && line[2] == ':' && !parseLineHeader(line);
}

std::optional<int> parseLevel(std::string_view text) {
    if (text.size() == 3) {
        for (const NamedLevel& level : namedLevels()) {
            bool same = true;
            for (std::size_t i = 0; i < 3; ++i) {
                const char wanted = level.text[i];
                const char given = text[i];
                same = same && (given == wanted ||
                                (given >= 'a' && given <= 'z' && given - 'a' + 'A' == wanted));
            }
            if (same) return level.value;
        }
    }
    int value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end) return std::nullopt;
    return value;
}

}  // namespace logreading
