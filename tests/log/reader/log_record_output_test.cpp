// Records as text and as JSON, the summary of --stats, and output that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <sstream>
#include <string>

#include "addon001/log/reader/log_line_header.h"
#include "addon001/log/reader/log_record_output.h"
#include "addon001/log/reader/log_stats.h"
#include "scratch_folder.h"

namespace {

using logreading::LogRecord;

LogRecord record(const std::string& text, int day = 0, bool truncated = false) {
    static const std::string file = "/logs/app.log.1";
    static std::deque<std::string> texts;  // the records' texts are views
    texts.push_back(text);
    LogRecord made;
    made.file = &file;
    made.line = 12;
    made.day = day;
    made.header = logreading::parseLineHeader(text.substr(0, text.find('\n')));
    made.text = texts.back();
    made.truncated = truncated;
    return made;
}

enum class Form { text, visible, json };

std::string written(const LogRecord& made, Form form = Form::text) {
    const auto file = test_support::scratchFolder("output-text") / "out.txt";
    {
        std::FILE* out = std::fopen(file.string().c_str(), "wb");
        logreading::OutputBuffer buffer(out, 16);  // smaller than a record: written in pieces
        if (form == Form::json) {
            logreading::writeRecordJson(buffer, made);
        } else {
            logreading::writeRecordText(buffer, made, form == Form::visible);
        }
        buffer.flush();
        std::fclose(out);
    }
    return test_support::readFile(file);
}

std::string asText(const LogRecord& made) {
    return written(made);
}

std::string asJson(const LogRecord& made) {
    std::string line = written(made, Form::json);
    EXPECT_EQ(line.back(), '\n');
    line.pop_back();
    EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    return line;
}

TEST(RecordOutput, TextIsTheRecordsLinesAndMarksACutLine) {
    EXPECT_EQ(asText(record("09:05:03.047 INF 3412 two\nlines")),
              "09:05:03.047 INF 3412 two\nlines\n");
    EXPECT_EQ(asText(record("09:05:03.047 INF 3412 cut", 0, true)),
              "09:05:03.047 INF 3412 cut [truncated]\n");
    LogRecord longer = record("09:05:03.047 INF 3412 first bytes", 0, true);
    longer.cutBytes = 1234;
    EXPECT_EQ(asText(longer),
              "09:05:03.047 INF 3412 first bytes [cut: 1234 bytes left out] [truncated]\n");
}

// For a terminal: every control but TAB and the line end shown, C1 as a byte and in UTF-8;
// valid UTF-8 (whose continuation bytes lie in the C1 range) and other code pages unchanged.
TEST(RecordOutput, ControlsReachATerminalOnlyVisibly) {
    const std::string hostile =
        "09:05:03.047 INF 1 \x1b]0;title\x07\x1b[2J\ra\tb\x7f"
        "\x1b]52;c;eA==\x1b\\\x9b"
        "31m\xc2\x9b"
        "1m\x90q\n\x1bPdcs";
    EXPECT_EQ(written(record(hostile), Form::visible),
              "09:05:03.047 INF 1 \\x1b]0;title\\x07\\x1b[2J\\ra\tb\\x7f"
              "\\x1b]52;c;eA==\\x1b\\\\x9b31m\\xc2\\x9b1m\\x90q\n\\x1bPdcs\n");
    const std::string text =
        "09:05:03.047 INF 1 caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80 Gr\xfc\xdf";
    EXPECT_EQ(written(record(text), Form::visible), text + "\n");
    EXPECT_EQ(written(record(hostile)), hostile + "\n");  // not for a terminal: as stored
}

TEST(RecordOutput, JsonHasEveryFieldAndNullsWhereTheLineTellsNothing) {
    EXPECT_EQ(asJson(record("09:05:03.047 WAR 3412 two\nlines", 1)),
              R"({"file":"/logs/app.log.1","line":12,"day":1,"time":"09:05:03.047","level":30,)"
              R"("levelText":"WAR","thread":3412,"message":"two\nlines","truncated":false,)"
              R"("cutBytes":0})");
    EXPECT_EQ(asJson(record("23:59:59.999 --- 1 undefined", -1, true)),
              R"({"file":"/logs/app.log.1","line":12,"day":-1,"time":"23:59:59.999","level":null,)"
              R"("levelText":"---","thread":1,"message":"undefined","truncated":true,)"
              R"("cutBytes":0})");
    EXPECT_EQ(asJson(record("no header\nat all")),
              R"({"file":"/logs/app.log.1","line":12,"day":0,"time":null,"level":null,)"
              R"("levelText":null,"thread":null,"message":"no header\nat all","truncated":false,)"
              R"("cutBytes":0})");
    // Quotes, backslashes and every control escaped, C1 in UTF-8 as well.
    EXPECT_NE(asJson(record("09:05:03.047 INF 1 \"q\" \\ \x1b[2J\r\t\x7f\xc2\x9b \xc3\xa9"))
                  .find(R"("message":"\"q\" \\ \u001b[2J\r\t\u007f\u009b )"
                        "\xc3\xa9\""),
              std::string::npos);
}

// The log library writes wide text in the ANSI code page (Windows-1252 here); JSON needs UTF-8.
TEST(RecordOutput, TextThatIsNoUtf8IsTakenInTheCodePage) {
    EXPECT_EQ(logreading::logTextToUtf8("plain"), "plain");
    EXPECT_EQ(logreading::logTextToUtf8("M\xC3\xBCller"), "M\xC3\xBCller");  // UTF-8 as it is
    EXPECT_EQ(logreading::logTextToUtf8("M\xFCller \x80"), "M\xC3\xBCller \xE2\x82\xAC");
    EXPECT_EQ(logreading::logTextToUtf8("cut \xC3"), "cut \xC3\x83");
    const std::string json =
        asJson(record("09:05:03.047 INF 1 Gr\xFC\xDF"
                      "e"));
    EXPECT_NE(json.find("\"message\":\"Gr\xC3\xBC\xC3\x9F"
                        "e\""),
              std::string::npos)
        << json;
}

TEST(RecordOutput, AStreamThatCannotBeWrittenIsReported) {
    const auto file = test_support::scratchFolder("output-failure") / "read-only.txt";
    test_support::writeFile(file, "");
    std::FILE* readOnly = std::fopen(file.string().c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    {
        logreading::OutputBuffer buffer(readOnly);
        buffer.append("lost\n");
        EXPECT_THROW(buffer.flush(), logreading::OutputError);
    }
    std::fclose(readOnly);
}

TEST(LogStats, CountsPerLevelAndThreadAndKeepsTheTimesAndTheLinesThatDidNotParse) {
    logreading::LogStats stats;
    stats.add(record("23:00:00.000 INF 7 a"));
    stats.add(record("23:59:58.000 ERR 8 b"));
    stats.add(record("00:00:01.000 INF 7 c", 1));
    stats.add(record("00:00:02.000 --- 7 d", 1, true));
    stats.add(record("22:59:59.000 DB3 9 earlier, written late"));
    stats.add(record("stray"));
    stats.addUnparsedLine("/logs/app.log.1", 1, "stray");
    for (int i = 0; i < 25; ++i) stats.addUnparsedLine("/logs/app.log", 2, std::string(300, 'x'));
    const std::vector<logreading::FileRead> files = {{"/logs/app.log.1", 1000},
                                                     {"/logs/app.log", 20}};

    std::ostringstream text;
    stats.printText(text, files);
    const std::string expected =
        "Files read:\n"
        "  /logs/app.log.1  1000 bytes\n"
        "  /logs/app.log  20 bytes\n"
        "Records: 6 (1 without a header) (1 truncated)\n"
        "First time: day 0 22:59:59.000\n"
        "Last time:  day 1 00:00:02.000\n"
        "Per level:\n"
        "  ERR  1\n"
        "  INF  2\n"
        "  DB3  1\n"
        "  ---  1\n"
        "Per thread:\n"
        "  7  3\n"
        "  8  1\n"
        "  9  1\n"
        "Lines that did not parse: 26 (the first 20 shown)\n"
        "  /logs/app.log.1:1: stray\n"
        "  /logs/app.log:2: " +
        std::string(200, 'x') + "\n";
    const std::string printed = text.str();
    EXPECT_EQ(printed.substr(0, expected.size()), expected);
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 16 + 20);

    const nlohmann::ordered_json json = stats.toJson(files);
    EXPECT_EQ(json["records"], 6);
    EXPECT_EQ(json["first"].dump(), R"({"day":0,"time":"22:59:59.000"})");
    EXPECT_EQ(json["levels"][3].dump(), R"({"level":null,"levelText":"---","records":1})");
    EXPECT_EQ(json["threads"][0].dump(), R"({"thread":7,"records":3})");
    EXPECT_EQ(json["files"][1].dump(), R"({"file":"/logs/app.log","bytes":20})");
    EXPECT_EQ(json["unparsedLines"], 26);
    EXPECT_EQ(json["unparsed"].size(), 20u);
}

}  // namespace
