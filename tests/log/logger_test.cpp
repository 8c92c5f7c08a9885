#include <gtest/gtest.h>

#include <iomanip>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/log/logger.h"
#include "failing_allocation.h"

namespace {

// An output that keeps the lines it is given.
struct CapturingOutput {
    static std::vector<std::string> lines;
    static void write(const std::string& text) { lines.push_back(text); }
};
std::vector<std::string> CapturingOutput::lines;

// An output whose lock fails, as a sink's mutex can.
struct FailingOutput {
    static void write(const std::string&) { throw std::runtime_error("lock failed"); }
};

using CapturingLogger = Log::Logger<CapturingOutput, Log::FlatFormatPolicy>;
using FailingLogger = Log::Logger<FailingOutput, Log::FlatFormatPolicy>;

class LoggerTest : public testing::Test {
protected:
    void SetUp() override { CapturingOutput::lines.clear(); }
};

TEST_F(LoggerTest, EmitsTheWholeLineOnceWhenDestroyed) {
    {
        CapturingLogger record;
        record.start(Log::ERR) << "value " << 7;
        record.start(Log::ERR);  // a second header is only more text; still one line
        EXPECT_TRUE(CapturingOutput::lines.empty());
    }
    ASSERT_EQ(CapturingOutput::lines.size(), 1u);
    EXPECT_TRUE(std::regex_match(
        CapturingOutput::lines[0],
        std::regex(R"(\d\d:\d\d:\d\d\.\d{3} ERR \d+ value 7\d\d:\d\d:\d\d\.\d{3} ERR \d+ \n)")))
        << CapturingOutput::lines[0];
}

TEST_F(LoggerTest, EmitsThePartialLineWhileAnExceptionLeaves) {
    try {
        CapturingLogger().start(Log::INF)
            << "partial " << (throw std::logic_error("stop"), std::string("x"));
    } catch (const std::logic_error&) {
    }
    ASSERT_EQ(CapturingOutput::lines.size(), 1u);
    const std::string& line = CapturingOutput::lines[0];
    EXPECT_EQ(line.substr(line.size() - 9), "partial \n");
}

// A stream that turned bad refuses every further insertion, the line end among them; the
// record still ends with its line end, so that the next record never continues its line.
TEST_F(LoggerTest, RecordWhoseStreamTurnedBadStillEndsWithItsLineEnd) {
    const char* missing = nullptr;
    CapturingLogger().start(Log::INF) << "null text " << missing << " not inserted";
    {
        // The first allocation is the spill of the line's in-place part (where the string's
        // code reaches this program's operator new; elsewhere the line is simply whole).
        const std::string longText(1000, 'x');
        CapturingLogger record;
        std::ostream& out = record.start(Log::INF) << "out of memory ";
        failing_allocation::Scope failing(1);
        out << longText << "not inserted";
    }
    CapturingLogger().start(Log::INF) << "next";
    ASSERT_EQ(CapturingOutput::lines.size(), 3u);
    EXPECT_EQ(CapturingOutput::lines[0].substr(CapturingOutput::lines[0].size() - 11),
              "null text \n");
    for (const std::string& line : CapturingOutput::lines) {
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
    }
}

TEST_F(LoggerTest, OutputErrorReachesTheCallerOfTheStatement) {
    EXPECT_THROW(FailingLogger().start(Log::INF) << "text", std::runtime_error);
}

TEST_F(LoggerTest, OutputErrorDuringUnwindingIsSwallowedAndTheFirstExceptionArrives) {
    // Without the swallowing the process would end here.
    EXPECT_THROW(FailingLogger().start(Log::INF) << (throw std::logic_error("first"), 1),
                 std::logic_error);
}

// What a message leaves on the record's stream still applies to the line end, as it would to
// any insertion: a pending field width pads it, an exception mask throws when the stream turns
// bad, and the line is written either way.
TEST_F(LoggerTest, StreamSettingsLeftByTheMessageApplyToTheLineEnd) {
    CapturingLogger().start(Log::INF) << "padded" << std::setfill('*') << std::setw(4);
    CapturingLogger().start(Log::INF) << std::left << "left" << std::setfill('-') << std::setw(3);
    EXPECT_THROW(
        {
            CapturingLogger record;
            std::ostream& out = record.start(Log::INF);
            out.exceptions(std::ios_base::badbit);
            const char* missing = nullptr;
            out << "masked " << missing;
        },
        std::ios_base::failure);
    ASSERT_EQ(CapturingOutput::lines.size(), 3u);
    const auto ending = [](const std::string& line, std::size_t count) {
        return line.substr(line.size() - count);
    };
    EXPECT_EQ(ending(CapturingOutput::lines[0], 10), "padded***\n");
    EXPECT_EQ(ending(CapturingOutput::lines[1], 7), "left\n--");
    EXPECT_EQ(ending(CapturingOutput::lines[2], 8), "masked \n");
}

// The line a record hands over is the same whether its output takes a view or a string.
TEST_F(LoggerTest, OutputsTakingAViewGetTheSameLine) {
    struct ViewOutput {
        static void write(std::string_view text) { CapturingOutput::lines.emplace_back(text); }
    };
    const std::string longText(1000, 'v');
    Log::Logger<ViewOutput, Log::FlatFormatPolicy>().start(Log::WAR) << "short " << 1;
    CapturingLogger().start(Log::WAR) << "short " << 1;
    Log::Logger<ViewOutput, Log::FlatFormatPolicy>().start(Log::WAR) << longText;
    CapturingLogger().start(Log::WAR) << longText;
    ASSERT_EQ(CapturingOutput::lines.size(), 4u);
    const auto message = [](const std::string& line) { return line.substr(line.find(" WAR ")); };
    EXPECT_EQ(message(CapturingOutput::lines[0]), message(CapturingOutput::lines[1]));
    EXPECT_EQ(message(CapturingOutput::lines[2]), message(CapturingOutput::lines[3]));
    EXPECT_EQ(CapturingOutput::lines[2].size(), CapturingOutput::lines[3].size());
    EXPECT_EQ(CapturingOutput::lines[2].back(), '\n');
}

}  // namespace
