// Which records the filters keep, over a set that passes midnight.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "addon001/log/reader/log_line_header.h"
#include "addon001/log/reader/log_record_filter.h"
#include "addon001/log/reader/log_time.h"

namespace {

using logreading::LogRecord;
using logreading::RecordFilter;
using logreading::RecordMatcher;

// Records made from header lines the way the reader makes them, each placed on the timeline.
std::vector<LogRecord> recordsOf(const std::vector<std::string>& lines) {
    std::vector<LogRecord> records;
    logreading::Timeline timeline;
    for (const std::string& line : lines) {
        LogRecord record;
        record.header = logreading::parseLineHeader(line);
        record.day = record.header ? timeline.place(record.header->time) : timeline.day();
        record.text = line;
        records.push_back(record);
    }
    return records;
}

// The set: two days, two threads, every kind of level, one line without a header.
const std::vector<std::string> lines = {
    "stray line without a header",
    "22:00:00.000 INF 7 starting up",
    "22:30:00.000 WAR 8 pressure high\nsecond line: valve 3",
    "23:00:00.500 ERR 7 drive HX-140 failed",
    "23:59:59.000 --- 8 undefined level",
    "00:00:01.000 DBG 7 after midnight",
    "01:00:00.000 FAT 8 stopped",
    "22:15:00.000 DB3 7 next evening",
};

std::vector<std::size_t> kept(RecordFilter filter) {
    RecordMatcher matcher(std::move(filter));
    std::vector<std::size_t> indexes;
    const std::vector<LogRecord> records = recordsOf(lines);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (matcher.matches(records[i])) indexes.push_back(i);
    }
    return indexes;
}

using Kept = std::vector<std::size_t>;

TEST(RecordFilter, WithoutConditionsKeepsEverything) {
    EXPECT_EQ(kept({}), (Kept{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(RecordFilter, LevelKeepsThatLevelAndMoreSevereOnesAndUnnamedLevels) {
    RecordFilter war;
    war.level = 30;
    EXPECT_EQ(kept(war), (Kept{2, 3, 4, 6}));
    RecordFilter between;  // 45: between INF and DBG
    between.level = 45;
    EXPECT_EQ(kept(between), (Kept{1, 2, 3, 4, 6}));
    RecordFilter fatal;
    fatal.level = 10;
    EXPECT_EQ(kept(fatal), (Kept{4, 6}));
}

TEST(RecordFilter, ThreadsTextAndPatternsMatchTheRecordsText) {
    RecordFilter thread;
    thread.threads = {8};
    EXPECT_EQ(kept(thread), (Kept{2, 4, 6}));
    thread.threads = {8, 7};
    EXPECT_EQ(kept(thread), (Kept{1, 2, 3, 4, 5, 6, 7}));

    RecordFilter text;
    text.text = "valve";  // on the continuation line
    EXPECT_EQ(kept(text), (Kept{2}));
    text.text = "line";  // also the line without a header
    EXPECT_EQ(kept(text), (Kept{0, 2}));
    text.text = "HX-14";
    EXPECT_EQ(kept(text), (Kept{3}));

    RecordFilter pattern;
    std::string problem;
    pattern.pattern = logreading::TextPattern::compile("HX-[0-9]+ failed|^01:", problem);
    if (!pattern.pattern) GTEST_SKIP() << problem;  // a build without RE2
    EXPECT_EQ(kept(pattern), (Kept{3, 6}));
}

// Patterns that make a backtracking engine take exponential time or recurse once per character
// (a stack overflow on a record of some 50 KB) are searched in one linear pass.
TEST(TextPattern, NoPatternHangsOrCrashesOnAnyRecord) {
    std::string problem;
    const auto nested = logreading::TextPattern::compile("(a+)+$", problem);
    if (!nested) GTEST_SKIP() << problem;  // a build without RE2
    EXPECT_FALSE(nested->foundIn(std::string(100000, 'a') + "b"));
    EXPECT_TRUE(nested->foundIn(std::string(100000, 'a')));
    const auto spanning = logreading::TextPattern::compile("timeout.*HX", problem);
    ASSERT_TRUE(spanning) << problem;
    EXPECT_TRUE(spanning->foundIn("timeout " + std::string(4 << 20, '0') + " HX"));
    EXPECT_FALSE(spanning->foundIn("timeout\n" + std::string(4 << 20, '0') + " HX"));

    EXPECT_FALSE(logreading::TextPattern::compile("(unclosed", problem));
    EXPECT_NE(problem.find("missing )"), std::string::npos) << problem;
}

TEST(RecordFilter, TimesArePlacedOnTheTimeline) {
    const auto bound = [](const char* text) { return *logreading::parseTimeBound(text); };
    RecordFilter since;  // earlier than the first record: on the next day
    since.since = bound("00:00:00");
    EXPECT_EQ(kept(since), (Kept{5, 6, 7}));
    since.since = bound("23:00:00.500");  // on the first day, inclusive
    EXPECT_EQ(kept(since), (Kept{3, 4, 5, 6, 7}));
    since.since = bound("1+22:00:00");
    EXPECT_EQ(kept(since), (Kept{7}));

    RecordFilter until;  // a whole second: through its last millisecond
    until.until = bound("23:00:00");
    EXPECT_EQ(kept(until), (Kept{1, 2, 3}));
    until.until = bound("23:00:00.499");
    EXPECT_EQ(kept(until), (Kept{1, 2}));

    RecordFilter both;  // across midnight: --until after --since, on the next day
    both.since = bound("23:30:00");
    both.until = bound("00:30:00");
    EXPECT_EQ(kept(both), (Kept{4, 5}));
    both.since = bound("22:30:00");
    both.until = bound("22:20:00");  // the next 22:20 after the since point: the next evening
    EXPECT_EQ(kept(both), (Kept{2, 3, 4, 5, 6, 7}));
    both.since = bound("0+22:10:00");
    both.until = bound("22:20:00");  // the same evening
    EXPECT_EQ(kept(both), (Kept{}));
}

TEST(RecordFilter, ConditionsCombineAndNeedAHeader) {
    RecordFilter filter;
    filter.level = 30;
    filter.threads = {7};
    EXPECT_EQ(kept(filter), (Kept{3}));
    filter.since = *logreading::parseTimeBound("23:30:00");
    EXPECT_EQ(kept(filter), (Kept{}));

    RecordFilter onlyText;
    onlyText.text = "stray";
    EXPECT_EQ(kept(onlyText), (Kept{0}));
    onlyText.threads = {7, 8};  // the line without a header has no thread
    EXPECT_EQ(kept(onlyText), (Kept{}));
}

}  // namespace
