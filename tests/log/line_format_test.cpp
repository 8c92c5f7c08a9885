#include <gtest/gtest.h>

#include <iomanip>
#include <regex>
#include <sstream>
#include <string>

#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "line_header.h"

namespace {

std::string timeText(int hour, int minute, int second, int millisecond) {
    std::ostringstream out;
    Log::writeTimeOfDay(out, platform::LocalTime{hour, minute, second, millisecond});
    return out.str();
}

TEST(TimeOfDay, PadsEveryFieldWithZeros) {
    EXPECT_EQ(timeText(0, 0, 0, 0), "00:00:00.000");
    EXPECT_EQ(timeText(23, 59, 59, 999), "23:59:59.999");
    EXPECT_EQ(timeText(9, 5, 3, 47), "09:05:03.047");
    EXPECT_EQ(timeText(10, 10, 10, 100), "10:10:10.100");
    EXPECT_EQ(timeText(1, 2, 3, 5), "01:02:03.005");
    EXPECT_EQ(timeText(12, 30, 45, 45), "12:30:45.045");
    EXPECT_EQ(timeText(12, 30, 45, 99), "12:30:45.099");
    EXPECT_EQ(timeText(12, 30, 45, 9), "12:30:45.009");
}

TEST(TimeOfDay, LeavesTheStreamsWidthAndFillAlone) {
    std::ostringstream out;
    out.fill('*');
    Log::writeTimeOfDay(out, platform::LocalTime{1, 2, 3, 4});
    out << std::setw(3) << 7;
    EXPECT_EQ(out.str(), "01:02:03.004**7");
}

TEST(TimeOfDay, ManipulatorWritesTheCurrentTimeInTheSameShape) {
    std::ostringstream out;
    out << "[" << Log::timeOfDay << "]";
    EXPECT_TRUE(
        std::regex_match(out.str(), std::regex(R"(\[([01]\d|2[0-3]):[0-5]\d:[0-6]\d\.\d{3}\])")))
        << out.str();
}

TEST(LineHeader, FieldsSeparatedBySingleSpacesWithoutPadding) {
    std::ostringstream header;
    Log::writeHeader(header, Log::INF, platform::LocalTime{9, 5, 3, 47}, 3412);
    EXPECT_EQ(header.str(), "09:05:03.047 INF 3412 ");

    std::ostringstream largest;
    Log::writeHeader(largest, 77, platform::LocalTime{0, 0, 0, 0}, 4294967295u);
    EXPECT_EQ(largest.str(), "00:00:00.000 --- 4294967295 ");
}

TEST(LevelName, NamesExactlyTheTableValues) {
    EXPECT_STREQ(Log::levelName(Log::FAT), "FAT");
    EXPECT_STREQ(Log::levelName(Log::ERR), "ERR");
    EXPECT_STREQ(Log::levelName(Log::WAR), "WAR");
    EXPECT_STREQ(Log::levelName(Log::INF), "INF");
    EXPECT_STREQ(Log::levelName(Log::DBG), "DBG");
    EXPECT_STREQ(Log::levelName(Log::DB1), "DB1");
    EXPECT_STREQ(Log::levelName(Log::DB2), "DB2");
    EXPECT_STREQ(Log::levelName(Log::DB3), "DB3");
    for (const int other : {0, -10, 11, 45, 49, 54, 100}) {
        EXPECT_STREQ(Log::levelName(other), "---") << other;
    }
    EXPECT_EQ(Log::levelThreshold, 53);
}

}  // namespace
