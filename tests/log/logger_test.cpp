#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/log/logger.h"

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

TEST_F(LoggerTest, OutputErrorReachesTheCallerOfTheStatement) {
    EXPECT_THROW(FailingLogger().start(Log::INF) << "text", std::runtime_error);
}

TEST_F(LoggerTest, OutputErrorDuringUnwindingIsSwallowedAndTheFirstExceptionArrives) {
    // Without the swallowing the process would end here.
    EXPECT_THROW(FailingLogger().start(Log::INF) << (throw std::logic_error("first"), 1),
                 std::logic_error);
}

}  // namespace
