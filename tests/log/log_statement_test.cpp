#include <gtest/gtest.h>

#include <iomanip>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/log/text_conversion.h"
#include "log_test_files.h"

namespace {

using Log::RollingOutputToFile;
using logtest::readLines;
namespace fs = std::filesystem;

const std::regex headerPattern(R"((\d\d):(\d\d):(\d\d)\.(\d\d\d) (\S{3}) (\d+) )");

struct ParsedLine {
    std::string level;
    std::string threadId;
    std::string message;
};

ParsedLine parse(const std::string& line) {
    std::smatch match;
    if (!std::regex_search(line, match, headerPattern, std::regex_constants::match_continuous)) {
        ADD_FAILURE() << "not a log line: " << line.substr(0, 80);
        return {};
    }
    EXPECT_LE(std::stoi(match[1]), 23);
    EXPECT_LE(std::stoi(match[2]), 59);
    EXPECT_LE(std::stoi(match[3]), 60);
    EXPECT_NE(match[6].str()[0], '0');  // no leading zeros
    return ParsedLine{match[5], match[6], match.suffix()};
}

class LogStatementTest : public logtest::LogFolderTest {
protected:
    void SetUp() override {
        LogFolderTest::SetUp();
        live = file("statement.log");
        RollingOutputToFile::open(live.wstring());
        ASSERT_TRUE(RollingOutputToFile::isEnabled());
    }

    fs::path live;
};

int evaluations = 0;
std::string counted(const std::string& text) {
    ++evaluations;
    return text;
}

TEST_F(LogStatementTest, WritesOneLineWithHeaderAndMessage) {
    LOG_AT(Log::INF) << "Unknown exception " << 42 << ' ' << 1.5;
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 1u);
    const ParsedLine line = parse(lines[0]);
    EXPECT_EQ(line.level, "INF");
    EXPECT_EQ(line.message, "Unknown exception 42 1.5");
}

// Wide texts of every form are written as toNarrow converts them (the exception reports'
// conversion), never as a pointer; the stream's manipulators and the exception reports work
// as on any std::ostream, the reports without a using declaration.
TEST_F(LogStatementTest, WideTextsAreWrittenNarrowBesideManipulatorsAndReports) {
    const wchar_t* pointer = L"pointer";
    wchar_t mutableText[] = L"mutable";
    const wchar_t* missing = nullptr;
    const std::wstring accented = L"Caf\u00e9 \u0416";  // no Cyrillic in the code page
    LOG_AT(Log::INF) << L"literal " << pointer << ' ' << mutableText << missing << " " << accented
                     << ' ' << std::wstring_view(L"view!", 4) << L'#' << std::hex << 255
                     << std::setw(4) << std::setfill('.') << 7 << std::endl;
    try {
        throw std::runtime_error("on purpose");
    } catch (const std::exception& error) {
        LOG_AT(Log::ERR) << error << L" at " << std::wstring(L"HX-140");
    }
    const std::wstring longText(1000, L'\u00fc');  // converted on the heap
    LOG_AT(Log::DBG) << longText;
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 4u);  // std::endl ends a line of its own, as the stream had it
    EXPECT_EQ(parse(lines[0]).message,
              "literal pointer mutable " + Log::toNarrow(accented) + " view#ff...7");
    EXPECT_EQ(Log::toNarrow(accented), "Caf\xe9 ?");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(parse(lines[2]).message, "Caught std::runtime_error: on purpose at HX-140");
    EXPECT_EQ(parse(lines[3]).message, std::string(1000, '\xfc'));
}

TEST_F(LogStatementTest, LevelsOnAndOffTheTableAndBeyondTheThreshold) {
    LOG_AT(Log::DB3) << "at threshold";
    LOG_AT(Log::levelThreshold + 1) << "dropped " << counted("x");
    LOG_AT(45) << "between";
    LOG_AT(0) << "zero";
    LOG_AT(-7) << "negative";
    LOG_AT(Log::FAT) << "fatal";
    EXPECT_EQ(evaluations, 0);
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 5u);
    const std::vector<std::pair<std::string, std::string>> expected{{"DB3", "at threshold"},
                                                                    {"---", "between"},
                                                                    {"---", "zero"},
                                                                    {"---", "negative"},
                                                                    {"FAT", "fatal"}};
    for (std::size_t index = 0; index < expected.size(); ++index) {
        const ParsedLine line = parse(lines[index]);
        EXPECT_EQ(line.level, expected[index].first);
        EXPECT_EQ(line.message, expected[index].second);
    }
}

TEST_F(LogStatementTest, MessageIsNotEvaluatedWhileTheSinkIsClosed) {
    RollingOutputToFile::close();
    evaluations = 0;
    LOG_AT(Log::ERR) << counted("a") << counted("b");
    EXPECT_EQ(evaluations, 0);
    EXPECT_TRUE(readLines(live).empty());

    RollingOutputToFile::open(live.wstring());
    LOG_AT(Log::ERR) << counted("a") << counted("b");
    EXPECT_EQ(evaluations, 2);
    EXPECT_EQ(parse(readLines(live).at(0)).message, "ab");
}

TEST_F(LogStatementTest, StatementDoesNotCaptureAFollowingElse) {
    bool elseTaken = false;
    const bool condition = false;
    if (condition)
        LOG_AT(Log::INF) << "not logged";
    else
        elseTaken = true;
    EXPECT_TRUE(elseTaken);
    EXPECT_TRUE(readLines(live).empty());
}

TEST_F(LogStatementTest, ExceptionDuringTheMessageStillWritesThePartialLine) {
    const auto fails = []() -> std::string { throw std::runtime_error("while formatting"); };
    EXPECT_THROW(LOG_AT(Log::WAR) << "before " << fails() << " after", std::runtime_error);
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 1u);
    const ParsedLine line = parse(lines[0]);
    EXPECT_EQ(line.level, "WAR");
    EXPECT_EQ(line.message, "before ");
}

// A record made while another one is being composed on the same thread (an operand of the
// message logs, or formats with manipulators that change its stream): each gets a stream of its
// own, and the next record starts from a new stream's state again.
TEST_F(LogStatementTest, NestedStatementsAndChangedStreamStateStayInTheirOwnRecord) {
    const auto inner = [] {
        LOG_AT(Log::DBG) << "inner " << 255;
        return "operand";
    };
    LOG_AT(Log::INF) << std::hex << "outer " << 255 << " " << inner() << " " << std::setfill('*')
                     << std::setw(4) << 255;
    LOG_AT(Log::WAR) << "next " << 255 << " " << 1.5;
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(parse(lines[0]).message, "inner 255");
    EXPECT_EQ(parse(lines[1]).message, "outer ff operand **ff");
    EXPECT_EQ(parse(lines[2]).message, "next 255 1.5");
}

TEST_F(LogStatementTest, EmptyMessageAndEmbeddedNewline) {
    LOG_AT(Log::DBG);
    LOG_AT(Log::DB1) << "first\nsecond";
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].back(), ' ');
    EXPECT_EQ(parse(lines[0]).message, "");
    EXPECT_EQ(parse(lines[1]).message, "first");
    EXPECT_EQ(lines[2], "second");
}

// Every line whole and present exactly once across the live file and its backups, while the
// threads' writes roll the file over.
TEST_F(LogStatementTest, ConcurrentThreadsWriteWholeLinesExactlyOnce) {
    constexpr int threadCount = 4;
    constexpr int linesPerThread = 3000;
    const std::string payload(1000, 'p');  // 4 x 3000 x ~1 KB: past the limit at least once
    std::vector<std::thread> threads;
    for (int thread = 0; thread < threadCount; ++thread) {
        threads.emplace_back([thread, &payload] {
            for (int sequence = 0; sequence < linesPerThread; ++sequence) {
                LOG_AT(Log::DBG) << "t" << thread << " s" << sequence << ' ' << payload << " end";
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    RollingOutputToFile::close();

    ASSERT_TRUE(fs::exists(backup(live, 1)));
    std::set<std::pair<int, int>> seen;
    std::map<int, std::string> threadIds;
    for (int number = 6; number >= 0; --number) {
        const fs::path part = number == 0 ? live : backup(live, number);
        if (!fs::exists(part)) continue;
        for (const std::string& text : readLines(part)) {
            const ParsedLine line = parse(text);
            // "t<thread> s<sequence> <payload> end", nothing missing, nothing mixed in.
            std::istringstream fields(line.message);
            char threadTag = 0, sequenceTag = 0;
            int thread = -1, sequence = -1;
            std::string body, end, rest;
            fields >> threadTag >> thread >> sequenceTag >> sequence >> body >> end;
            ASSERT_TRUE(threadTag == 't' && sequenceTag == 's' && body == payload && end == "end" &&
                        !(fields >> rest))
                << "broken line: " << text.substr(0, 80);
            EXPECT_TRUE(seen.insert({thread, sequence}).second)
                << "line written twice: " << text.substr(0, 40);
            // Each thread's lines carry one id, different from the other threads' ids.
            const auto known = threadIds.emplace(thread, line.threadId);
            EXPECT_EQ(known.first->second, line.threadId);
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(threadCount * linesPerThread));
    std::set<std::string> distinctIds;
    for (const auto& entry : threadIds) distinctIds.insert(entry.second);
    EXPECT_EQ(distinctIds.size(), static_cast<std::size_t>(threadCount));
}

}  // namespace
