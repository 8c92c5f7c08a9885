// Times of day and the day count of a log set's timeline.
#include <gtest/gtest.h>

#include <vector>

#include "addon001/log/reader/log_record_filter.h"
#include "addon001/log/reader/log_time.h"

namespace {

using logreading::parseTimeOfDay;
using logreading::Timeline;

int at(int hours, int minutes, int seconds, int milliseconds = 0) {
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + milliseconds;
}

TEST(TimeOfDay, ParsesAndFormatsTheHeadersForm) {
    EXPECT_EQ(parseTimeOfDay("00:00:00.000"), 0);
    EXPECT_EQ(parseTimeOfDay("23:59:59.999"), logreading::millisecondsPerDay - 1);
    EXPECT_EQ(parseTimeOfDay("09:05:03.047"), at(9, 5, 3, 47));
    EXPECT_FALSE(parseTimeOfDay("09:05:03"));
    bool withMilliseconds = true;
    EXPECT_EQ(parseTimeOfDay("09:05:03", true, &withMilliseconds), at(9, 5, 3));
    EXPECT_FALSE(withMilliseconds);
    for (const char* bad : {"", "24:00:00", "12:60:00", "12:00:60", "12:00:00.", "12:00:00.1",
                            "1:00:00", "12-00-00", "12:00:00.0000", "ab:cd:ef"}) {
        EXPECT_FALSE(parseTimeOfDay(bad, true)) << bad;
    }
    EXPECT_EQ(logreading::formatTimeOfDay(at(9, 5, 3, 47)), "09:05:03.047");
    EXPECT_EQ(logreading::formatTimeOfDay(logreading::millisecondsPerDay - 1), "23:59:59.999");
}

std::vector<int> days(const std::vector<int>& times) {
    Timeline timeline;
    std::vector<int> placed;
    for (const int time : times) placed.push_back(timeline.place(time));
    return placed;
}

TEST(Timeline, ATimeMoreThanFiveSecondsBackStartsTheNextDay) {
    EXPECT_EQ(days({at(23, 59, 58), at(23, 59, 59, 999), at(0, 0, 0), at(0, 0, 1)}),
              (std::vector<int>{0, 0, 1, 1}));
    // Exactly the step back stays on the day; one millisecond more starts the next one.
    EXPECT_EQ(days({at(10, 0, 5), at(10, 0, 0)}), (std::vector<int>{0, 0}));
    EXPECT_EQ(days({at(10, 0, 5), at(9, 59, 59, 999)}), (std::vector<int>{0, 1}));
    // Three midnights.
    EXPECT_EQ(
        days({at(22, 0, 0), at(1, 0, 0), at(23, 0, 0), at(2, 0, 0), at(3, 0, 0), at(0, 30, 0)}),
        (std::vector<int>{0, 1, 1, 2, 2, 3}));
}

// Threads read the clock before they take the sink's lock, so lines stand slightly out of
// order; measured against the latest time, not the line before, they all stay on their day.
TEST(Timeline, LinesSlightlyOutOfOrderStayOnTheirDay) {
    EXPECT_EQ(days({at(10, 0, 0), at(10, 0, 4), at(10, 0, 1), at(10, 0, 0, 500), at(10, 0, 3)}),
              (std::vector<int>{0, 0, 0, 0, 0}));
}

// A line stamped just before midnight but written just after: it belongs to the day before,
// and it must not make the next line after midnight look like a further midnight.
TEST(Timeline, ALateLineFromBeforeMidnightCountsOnTheDayBefore) {
    EXPECT_EQ(days({at(23, 59, 59, 990), at(0, 0, 0, 10), at(23, 59, 59, 995), at(0, 0, 0, 20),
                    at(0, 0, 3)}),
              (std::vector<int>{0, 1, 0, 1, 1}));
    EXPECT_EQ(days({at(23, 59, 58), at(0, 0, 3), at(23, 59, 59)}), (std::vector<int>{0, 1, 0}));
    // The same on day 0: the late line is of the day before it, and what follows stays on day 0.
    EXPECT_EQ(days({at(0, 0, 0, 10), at(23, 59, 59, 990), at(0, 0, 0, 20), at(10, 0, 0)}),
              (std::vector<int>{0, -1, 0, 0}));
}

TEST(TimeBound, TakesAnOptionalDayAndOptionalMilliseconds) {
    const auto plain = logreading::parseTimeBound("09:05:03");
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->day);
    EXPECT_EQ(plain->time, at(9, 5, 3));
    EXPECT_FALSE(plain->withMilliseconds);
    const auto dayed = logreading::parseTimeBound("2+23:00:00.250");
    ASSERT_TRUE(dayed);
    EXPECT_EQ(dayed->day, 2);
    EXPECT_EQ(dayed->time, at(23, 0, 0, 250));
    EXPECT_TRUE(dayed->withMilliseconds);
    for (const char* bad : {"", "+09:00:00", "-1+09:00:00", "x+09:00:00", "1+", "1+25:00:00",
                            "09:00", "1++09:00:00"}) {
        EXPECT_FALSE(logreading::parseTimeBound(bad)) << bad;
    }
}

}  // namespace
