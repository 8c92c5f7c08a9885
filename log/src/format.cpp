#include "addon001/log/format.h"

namespace Log::format {

std::string levelTexts() {
    std::string texts;
    for (const NamedLevel& level : namedLevels) {
        if (!texts.empty()) texts += ", ";
        texts += level.text;
    }
    return texts;
}

std::optional<int> parseLevel(std::string_view text) {
    if (text.size() == levelTextLength) {
        for (const NamedLevel& level : namedLevels) {
            bool same = true;
            for (std::size_t i = 0; i < levelTextLength; ++i) {
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

}  // namespace Log::format
