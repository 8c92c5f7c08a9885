// The reader's view of a log line's header, against the header the logging library writes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "addon001/log/format.h"
#include "addon001/log/level.h"
#include "addon001/log/reader/log_line_header.h"
#include "line_header.h"

namespace {

using Log::format::parseLevel;
using logreading::parseLineHeader;

// Every level, time and thread id the writer can put into a header parses back to the same
// values, with the message starting right after the header.
TEST(LineHeader, ParsesEveryHeaderTheLibraryWrites) {
    const int levels[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF, Log::DBG, Log::DB1,
                          Log::DB2, Log::DB3, 0,        45,       -7,       54};
    const platform::LocalTime times[] = {
        {0, 0, 0, 0}, {23, 59, 59, 999}, {9, 5, 3, 47}, {10, 0, 0, 5}, {12, 30, 7, 100}};
    const std::uint32_t threads[] = {0, 1, 3412, 4294967295u};
    for (const int level : levels) {
        for (const platform::LocalTime& time : times) {
            for (const std::uint32_t thread : threads) {
                std::ostringstream line;
                Log::writeHeader(line, level, time, thread);
                line << "message";
                const auto header = parseLineHeader(line.str());
                ASSERT_TRUE(header) << line.str();
                EXPECT_EQ(header->time, ((time.hour * 60 + time.minute) * 60 + time.second) * 1000 +
                                            time.millisecond);
                EXPECT_STREQ(header->levelText, Log::levelName(level));
                if (std::string(Log::levelName(level)) == "---") {
                    EXPECT_FALSE(header->level) << level;
                } else {
                    EXPECT_EQ(header->level, level);
                }
                EXPECT_EQ(header->thread, thread);
                EXPECT_EQ(line.str().substr(header->messageStart), "message");
            }
        }
    }
}

TEST(LineHeader, AnEmptyMessageEndsAtTheSpaceOrAtTheThreadId) {
    const auto withSpace = parseLineHeader("09:05:03.047 INF 3412 ");
    ASSERT_TRUE(withSpace);
    EXPECT_EQ(withSpace->messageStart, 22u);
    const auto withoutSpace = parseLineHeader("09:05:03.047 INF 3412");
    ASSERT_TRUE(withoutSpace);
    EXPECT_EQ(withoutSpace->messageStart, 21u);
    EXPECT_EQ(withoutSpace->thread, 3412u);
}

// Lines a message may continue with, and damaged headers, are no headers.
TEST(LineHeader, RefusesWhatIsNoHeader) {
    for (const char* line : {
             "",
             "plain text",
             "09:05:03.047",
             "09:05:03.047 INF",
             "09:05:03.047 INF ",
             "24:00:00.000 INF 1 hour 24",
             "23:60:00.000 INF 1 minute 60",
             "23:59:60.000 INF 1 second 60",
             "9:05:03.047 INF 1 one-digit hour",
             "09:05:03.47 INF 1 two-digit milliseconds",
             "09:05:03,047 INF 1 comma",
             "09:05:03.047  INF 1 two spaces",
             "09:05:03.047 inf 1 lower case",
             "09:05:03.047 XYZ 1 unknown level",
             "09:05:03.047 DB4 1 unknown level",
             "09:05:03.047 -- 1 short level",
             "09:05:03.047 INF 01 leading zero",
             "09:05:03.047 INF 4294967296 33 bits",
             "09:05:03.047 INF 12345678901 eleven digits",
             "09:05:03.047 INF -1 sign",
             "09:05:03.047 INF 12a letter",
             "09:05:03.047 INF 12\tTab",
             "x09:05:03.047 INF 1 before",
         }) {
        EXPECT_FALSE(parseLineHeader(line)) << '"' << line << '"';
    }
}

TEST(LineHeader, TellsDamagedHeadersFromContinuationLines) {
    EXPECT_TRUE(logreading::looksLikeDamagedHeader("24:00:00.000 INF 1 hour 24"));
    EXPECT_TRUE(logreading::looksLikeDamagedHeader("12:3"));
    EXPECT_FALSE(logreading::looksLikeDamagedHeader("09:05:03.047 INF 1 fine"));
    EXPECT_FALSE(logreading::looksLikeDamagedHeader("  at frame 12:34"));
    EXPECT_FALSE(logreading::looksLikeDamagedHeader("1:"));
}

TEST(LineHeader, LevelsAreTakenByTextInAnyCaseOrByNumber) {
    EXPECT_EQ(parseLevel("WAR"), Log::WAR);
    EXPECT_EQ(parseLevel("war"), Log::WAR);
    EXPECT_EQ(parseLevel("Db2"), Log::DB2);
    EXPECT_EQ(parseLevel("30"), 30);
    EXPECT_EQ(parseLevel("45"), 45);
    EXPECT_EQ(parseLevel("-5"), -5);
    for (const char* bad : {"", "---", "WARN", "W", "3O", "30 ", "99999999999"}) {
        EXPECT_FALSE(parseLevel(bad)) << bad;
    }
}

}  // namespace
