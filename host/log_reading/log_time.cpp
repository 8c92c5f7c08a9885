#include "log_time.h"

namespace logreading {

namespace {
// Two decimal digits at `at`, or -1.
int twoDigits(std::string_view text, std::size_t at) {
    const unsigned tens = static_cast<unsigned char>(text[at]) - '0';
    const unsigned ones = static_cast<unsigned char>(text[at + 1]) - '0';
    if (tens > 9 || ones > 9) return -1;
    return static_cast<int>(tens * 10 + ones);
}
}  // namespace

std::optional<int> parseTimeOfDay(std::string_view text, bool millisecondsOptional,
                                  bool* withMilliseconds) {
    const bool full = text.size() == 12;
    if (!full && !(millisecondsOptional && text.size() == 8)) return std::nullopt;
    if (text[2] != ':' || text[5] != ':') return std::nullopt;
    const int hours = twoDigits(text, 0);
    const int minutes = twoDigits(text, 3);
    const int seconds = twoDigits(text, 6);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59) {
        return std::nullopt;
    }
    int milliseconds = 0;
    if (full) {
        if (text[8] != '.') return std::nullopt;
        const int hundreds = twoDigits(text, 9);
        const unsigned last = static_cast<unsigned char>(text[11]) - '0';
        if (hundreds < 0 || last > 9) return std::nullopt;
        milliseconds = hundreds * 10 + static_cast<int>(last);
    }
    if (withMilliseconds != nullptr) *withMilliseconds = full;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds;
}

std::string formatTimeOfDay(int time) {
    std::string text = "00:00:00.000";
    const auto put = [&text](std::size_t at, int value, int digits) {
        for (int digit = digits - 1; digit >= 0; --digit) {
            text[at + static_cast<std::size_t>(digit)] = static_cast<char>('0' + value % 10);
            value /= 10;
        }
    };
    put(0, time / 3'600'000, 2);
    put(3, time / 60'000 % 60, 2);
    put(6, time / 1000 % 60, 2);
    put(9, time % 1000, 3);
    return text;
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
    if (day_ > 0 && step >= millisecondsPerDay - newDayStep) return day_ - 1;
    if (step > 0) latest_ = time;
    return day_;
}

}  // namespace logreading
