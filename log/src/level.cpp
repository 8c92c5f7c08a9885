#include "addon001/log/level.h"

#include <array>

#include "addon001/log/format.h"

namespace Log {

namespace {
// The level texts by level value, so that a record finds its text with one look-up.
constexpr std::size_t highestNamedLevel = 64;
constexpr std::array<const char*, highestNamedLevel> textsByValue = [] {
    std::array<const char*, highestNamedLevel> texts{};
    for (const format::NamedLevel& level : format::namedLevels) {
        texts[static_cast<std::size_t>(level.value)] = level.text;
    }
    return texts;
}();
}  // namespace

const char* levelName(int level) {
    const auto index = static_cast<std::size_t>(static_cast<unsigned>(level));
    const char* text = index < textsByValue.size() ? textsByValue[index] : nullptr;
    return text != nullptr ? text : format::unnamedLevelText;
}

}  // namespace Log
