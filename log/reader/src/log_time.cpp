#include "addon001/log/reader/log_time.h"

#include "addon001/log/format.h"
#include "header_words.h"

namespace logreading {

std::optional<int> parseTimeOfDay(std::string_view text, bool millisecondsOptional,
                                  bool* withMilliseconds) {
    const bool full = text.size() == Log::format::timeOfDayLength;
    if (!full && !(millisecondsOptional && text.size() == 8)) return std::nullopt;
    // "HH:MM:SS" is read as the same second's first millisecond.
    char line[Log::format::timeOfDayLength] = {'0', '0', ':', '0', '0', ':',
                                               '0', '0', '.', '0', '0', '0'};
    text.copy(line, text.size());
    const int time = detail::parseClock(line);
    if (time < 0) return std::nullopt;
    if (withMilliseconds != nullptr) *withMilliseconds = full;
    return time;
}

std::string formatTimeOfDay(int time) {
    char text[Log::format::headerCapacity];
    char* end = Log::format::putMilliseconds(
        Log::format::putClock(text, time / 3'600'000, time / 60'000 % 60, time / 1000 % 60),
        time % 1000);
    return std::string(text, static_cast<std::size_t>(end - text));
}

int Timeline::place(int time) {
    if (latest_ < 0) {
        latest_ = time;
        return day_;
    }
    const int step = time - latest_;
    if (step < -newDayStep) {
        ++day_;
        latest_ = time;
        return day_;
    }
    // Also on day 0, whose late records of the day before fall on day -1.
    if (step >= millisecondsPerDay - newDayStep) return day_ - 1;
    if (step > 0) latest_ = time;
    return day_;
}

}  // namespace logreading
