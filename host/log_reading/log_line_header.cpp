#include "log_line_header.h"

#include <array>
#include <charconv>
#include <cstring>

#include "addon001/log/level.h"

namespace logreading {

namespace {
// A level text as one number, so that finding a line's level costs a few integer comparisons.
constexpr std::uint32_t textKey(const char* text) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16;
}

struct NamedLevel {
    std::uint32_t key;
    int value;
    const char* text;
};

// The levels that have a text, with the text the log library writes for each.
std::array<NamedLevel, 8> makeNamedLevels() {
    std::array<NamedLevel, 8> named{};
    const int values[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF,
                          Log::DBG, Log::DB1, Log::DB2, Log::DB3};
    for (std::size_t i = 0; i < named.size(); ++i) {
        const char* text = Log::levelName(values[i]);
        named[i] = {textKey(text), values[i], text};
    }
    return named;
}

const std::array<NamedLevel, 8> namedLevels = makeNamedLevels();

// The level texts and "---" by a perfect hash of their keys: one look-up and one comparison
// per line, with no branch that depends on which level a line has (lines of mixed levels made
// a search by comparisons stall on mispredicted branches).
class LevelTable {
public:
    struct Slot {
        std::uint32_t key = noKey;  // no three bytes give this key
        bool named = false;
        int value = 0;
        const char* text = "---";
    };

    LevelTable() {
        for (multiplier_ = 1;; ++multiplier_) {
            slots_ = {};
            bool distinct = true;
            const auto place = [&](const Slot& slot) {
                Slot& at = slots_[slotOf(slot.key)];
                distinct = distinct && at.key == noKey;
                at = slot;
            };
            for (const NamedLevel& level : namedLevels)
                place({level.key, true, level.value, level.text});
            place({textKey("---"), false, 0, "---"});
            if (distinct) break;
        }
    }

    // The slot of the text at `text`, or none.
    const Slot* find(const char* text) const {
        const std::uint32_t key = textKey(text);
        const Slot& slot = slots_[slotOf(key)];
        return slot.key == key ? &slot : nullptr;
    }

private:
    static constexpr std::uint32_t noKey = 0xFFFFFFFFu;
    static constexpr unsigned slotBits = 5;

    std::size_t slotOf(std::uint32_t key) const { return (key * multiplier_) >> (32 - slotBits); }

    std::uint32_t multiplier_ = 1;
    std::array<Slot, std::size_t{1} << slotBits> slots_{};
};

const LevelTable levelTable;

constexpr std::size_t timeLength = 12;  // "09:05:03.047"
constexpr std::size_t levelAt = timeLength + 1;
constexpr std::size_t threadAt = levelAt + 4;  // after "INF "
constexpr std::size_t longestThreadId = 10;    // 4294967295

unsigned digit(char character) {
    return static_cast<unsigned>(static_cast<unsigned char>(character)) - '0';
}

// Eight bytes of text as one word, in memory order.
std::uint64_t word(const char* text) {
    std::uint64_t value;
    std::memcpy(&value, text, sizeof value);
    return value;
}

// Eight bytes of a header, checked at once: where `pattern` has '0' a digit must stand, where it
// has another character that character, and where `ignored` has a non-zero byte anything.
// Every byte of text XOR pattern must be 0 at the fixed characters and at most 9 at the digits.
class WordShape {
public:
    constexpr WordShape(const char (&pattern)[9], const char (&ignored)[9]) {
        for (int i = 0; i < 8; ++i) {
            pattern_[i] = pattern[i];
            fixed_[i] = pattern[i] != '0' && ignored[i] == ' ' ? '\xFF' : '\0';
            kept_[i] = ignored[i] == ' ' ? '\xFF' : '\0';
        }
    }

    bool matches(const char* text) const {
        const std::uint64_t difference = (word(text) ^ word(pattern_)) & word(kept_);
        // A byte of 10 or more gets its high bit from the addition, one of 128 or more has it;
        // a carry out of such a byte spoils only a verdict that is "no" already.
        const std::uint64_t notDigits =
            ((difference + 0x7676767676767676u) | difference) & 0x8080808080808080u;
        return (notDigits | (difference & word(fixed_))) == 0;
    }

private:
    char pattern_[8]{};
    char fixed_[8]{};
    char kept_[8]{};
};

// "09:05:03" and ".047 INF": the level's three bytes are looked up separately.
constexpr WordShape clockShape("00:00:00", "        ");
constexpr WordShape fractionShape(".000 ---", "     xxx");
}  // namespace

// Written for speed: it runs once for every line of a set.
bool parseLineHeader(std::string_view line, LineHeader& header) {
    const char* const text = line.data();
    if (line.size() < threadAt + 1 || !clockShape.matches(text) ||
        !fractionShape.matches(text + 8) || text[levelAt + 3] != ' ') {
        return false;
    }
    const unsigned hours = digit(text[0]) * 10 + digit(text[1]);
    if (hours > 23 || digit(text[3]) > 5 || digit(text[6]) > 5) return false;
    const int time =
        static_cast<int>(((hours * 60 + digit(text[3]) * 10 + digit(text[4])) * 60 +
                          digit(text[6]) * 10 + digit(text[7])) *
                             1000 +
                         digit(text[9]) * 100 + digit(text[10]) * 10 + digit(text[11]));

    const LevelTable::Slot* level = levelTable.find(text + levelAt);
    if (level == nullptr) return false;

    const std::size_t size = line.size();
    std::size_t end = threadAt;
    std::uint64_t thread = 0;
    while (end < size && end - threadAt < longestThreadId + 1 && digit(text[end]) <= 9) {
        thread = thread * 10 + digit(text[end]);
        ++end;
    }
    const std::size_t length = end - threadAt;
    if (length == 0 || length > longestThreadId || (length > 1 && text[threadAt] == '0') ||
        thread > 0xFFFFFFFFu || (end < size && text[end] != ' ')) {
        return false;
    }
    header.time = time;
    header.thread = static_cast<std::uint32_t>(thread);
    header.level = level->named ? std::optional<int>(level->value) : std::nullopt;
    header.levelText = level->text;
    header.messageStart = static_cast<std::uint32_t>(end < size ? end + 1 : end);
    return true;
}

bool looksLikeDamagedHeader(std::string_view line) {
    LineHeader header;
    return line.size() >= 3 && digit(line[0]) <= 9 && digit(line[1]) <= 9 && line[2] == ':' &&
           !parseLineHeader(line, header);
}

std::optional<int> parseLevel(std::string_view text) {
    if (text.size() == 3) {
        for (const NamedLevel& level : namedLevels) {
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
