#pragma once

namespace platform {

// Local wall-clock time of day, as the fields a log line shows.
struct LocalTime {
    int hour;         // 0 to 23
    int minute;       // 0 to 59
    int second;       // 0 to 59 (60 only on a system that reports a leap second)
    int millisecond;  // 0 to 999
};

// Reads the local time of day once, with milliseconds.
LocalTime localTimeNow();

}  // namespace platform
