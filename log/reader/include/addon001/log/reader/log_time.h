#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "addon001/log/format.h"

namespace logreading {

// Times of day are milliseconds since midnight, 0 to 86 399 999.
using Log::format::millisecondsPerDay;

// "HH:MM:SS.mmm" (the log line's own form, exactly 12 characters) or, when
// `millisecondsOptional`, also "HH:MM:SS"; hours 00 to 23, minutes and seconds 00 to 59.
// `withMilliseconds` tells which of the two forms it was.
std::optional<int> parseTimeOfDay(std::string_view text, bool millisecondsOptional = false,
                                  bool* withMilliseconds = nullptr);

// "09:05:03.047".
std::string formatTimeOfDay(int time);

// A moment of a log set: the day (0 for the day of the set's first record) and the time of day.
struct TimelinePoint {
    int day = 0;
    int time = 0;

    friend bool operator<(const TimelinePoint& a, const TimelinePoint& b) {
        return a.day != b.day ? a.day < b.day : a.time < b.time;
    }
    friend bool operator==(const TimelinePoint& a, const TimelinePoint& b) {
        return a.day == b.day && a.time == b.time;
    }
    friend bool operator<=(const TimelinePoint& a, const TimelinePoint& b) { return !(b < a); }
};

// Counts the days of a log set, whose lines carry a time of day but no date, from the times of
// its records in file order. A record stamped more than `newDayStep` earlier than the latest
// time of the current day starts the next day: the clock passed midnight. Smaller steps back are
// records of threads that read the clock before another thread wrote its line, and stay on the
// current day. A record stamped within `newDayStep` before midnight that follows records of just
// after midnight is such a late record of the day before: on day 0 as on any other, so the
// records of the set's first moments may place one on day -1. A pause of a whole day or more
// without any record cannot be seen, and a clock set back by more than `newDayStep` (the end of
// summer time) counts as a new day.
class Timeline {
public:
    static constexpr int newDayStep = 5000;

    // The day on which a record stamped `time` falls, the records before it having been placed.
    int place(int time);
    // The current day: where a line without a time stands.
    int day() const { return day_; }

private:
    int day_ = 0;
    int latest_ = -1;  // the latest time of the current day; none before the first record
};

}  // namespace logreading
