#include "addon001/log/reader/log_line_header.h"

#include <array>
#include <charconv>
#include <cstring>

#include "addon001/log/format.h"
#include "header_words.h"

namespace logreading {

namespace {
// A level text as one number, so that finding a line's level costs a few integer comparisons.
constexpr std::uint32_t textKey(const char* text) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16;
}

// The level texts and "---" by a perfect hash of their keys: one look-up and one comparison
// per line, with no branch that depends on which level a line has (lines of mixed levels made
// a search by comparisons stall on mispredicted branches).
class LevelTable {
public:
    struct Slot {
        std::uint32_t key = noKey;  // no three bytes give this key
        bool named = false;
        int value = 0;
        const char* text = Log::format::unnamedLevelText;
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
            for (const Log::format::NamedLevel& level : Log::format::namedLevels)
                place({textKey(level.text), true, level.value, level.text});
            place(
                {textKey(Log::format::unnamedLevelText), false, 0, Log::format::unnamedLevelText});
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

using detail::digit;
using Log::format::levelAt;
using Log::format::longestThreadId;
using Log::format::threadAt;
}  // namespace

// Written for speed: it runs once for every line of a set.
bool parseLineHeader(std::string_view line, LineHeader& header) {
    const char* const text = line.data();
    if (line.size() < threadAt + 1 || text[Log::format::timeOfDayLength] != Log::format::fieldEnd ||
        text[threadAt - 1] != Log::format::fieldEnd) {
        return false;
    }
    const int time = detail::parseClock(text);
    if (time < 0) return false;

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
        thread > 0xFFFFFFFFu || (end < size && text[end] != Log::format::fieldEnd)) {
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

}  // namespace logreading
