#include "addon001/log/comm_logging.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "log_test_files.h"

namespace {

using Log::logComm;
using Log::RollingOutputToFile;
using Log::setCommLogging;

const unsigned char sample[] = {0x01, 0xAB, 0xFF};

// The message of an INF line, or a failure when the line is anything else.
std::string infMessage(const std::string& line) {
    static const std::regex infLine(R"(\d\d:\d\d:\d\d\.\d\d\d INF \d+ (.*))");
    std::smatch match;
    if (!std::regex_match(line, match, infLine)) {
        ADD_FAILURE() << "not an INF line: " << line;
        return {};
    }
    return match[1];
}

class CommLoggingTest : public logtest::LogFolderTest {
protected:
    void SetUp() override {
        LogFolderTest::SetUp();
        live = file("comm.log");
    }
    void TearDown() override {
        // Every test starts with the dumps off, whatever order the tests run in.
        setCommLogging(false);
        LogFolderTest::TearDown();
    }
    void openSink() {
        RollingOutputToFile::open(live.wstring());
        ASSERT_TRUE(RollingOutputToFile::isEnabled());
    }
    std::vector<std::string> lines() {
        RollingOutputToFile::close();
        return logtest::readLines(live);
    }

    std::filesystem::path live;
};

// Declared first so that, run in the usual order, it sees the switch as the process starts.
TEST_F(CommLoggingTest, IsOffUntilSwitchedOn) {
    openSink();
    logComm(L"TX", sample, sizeof sample);
    EXPECT_TRUE(lines().empty());
}

TEST_F(CommLoggingTest, WritesExactlyOneTaggedLineWhenOnAndTheFileIsOpen) {
    openSink();
    setCommLogging(true);
    logComm(L"TX", sample, sizeof sample);
    const auto written = lines();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(infMessage(written[0]), "[Comm] TX: [01 AB FF]");
}

TEST_F(CommLoggingTest, LabelDefaultsAndNarrowsAndEmptyBlocksAreLogged) {
    openSink();
    setCommLogging(true);
    logComm(nullptr, sample, 1);
    logComm(L"\u20AC\u4E2D", sample, 0);
    const auto written = lines();
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(infMessage(written[0]), "[Comm] bytes: [01]");
    EXPECT_EQ(infMessage(written[1]), "[Comm] \x80?: []");
}

TEST_F(CommLoggingTest, NullDataWithALengthIsLoggedAsNoBytes) {
    openSink();
    setCommLogging(true);
    logComm(L"RX", nullptr, 64);
    const auto written = lines();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(infMessage(written[0]), "[Comm] RX: []");
}

TEST_F(CommLoggingTest, SwitchingOffStopsTheDumps) {
    openSink();
    setCommLogging(true);
    logComm(L"TX", sample, sizeof sample);
    setCommLogging(false);
    logComm(L"TX", sample, sizeof sample);
    EXPECT_EQ(lines().size(), 1u);
}

// The threshold is fixed at DB3 and always lets INF through; the file is the remaining test.
TEST_F(CommLoggingTest, WritesNothingWhileTheFileIsClosed) {
    openSink();
    RollingOutputToFile::close();
    setCommLogging(true);
    logComm(L"TX", sample, sizeof sample);
    openSink();
    EXPECT_TRUE(lines().empty());
}

}  // namespace
