// addon-log as a program: a set written through the real sink read back as it was logged, with
// LF and with CR LF line ends; following the set while it is written and rotated; the filters,
// the summary and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/log/version.h"
#include "addon001/platform/child_process.h"
#include "addon001/platform/remove_tree.h"
#include "addon001/platform/thread_id.h"
#include "addon001/platform/wide_path_file.h"
#include "built_files.h"
#include "program_run.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using test_support::ProgramRun;

// The line end of this system's text output, from the build (LF, or CR LF on Windows).
const std::string lineEnd = ADDON_LINE_END;
// The Linux build: a POSIX shell to start pipelines, file names in bytes, RE2 for --regex (the
// Windows cross build has none and searches for plain text only).
constexpr bool linuxBuild = ADDON_LINUX_BUILD;

ProgramRun runLog(const std::vector<std::string>& arguments) {
    return test_support::runProgram(test_support::builtProgram("addon-log"), arguments);
}

std::string withLf(const std::string& text) {
    std::string converted;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) converted += text[i];
    }
    return converted;
}

std::string withCrLf(const std::string& text) {
    std::string converted;
    for (const char c : withLf(text))
        converted += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return converted;
}

std::vector<nlohmann::json> jsonLines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

// A record as the test logged it.
struct Logged {
    std::uint32_t thread = 0;
    int level = 0;
    std::string message;
};

// Levels in turn, named ones and two without a name.
const int levels[] = {Log::FAT, Log::ERR, Log::WAR, Log::INF, Log::DBG,
                      Log::DB1, Log::DB2, Log::DB3, 45,       0};

// The message of record `number` of `writer`: it names both; every third holds line breaks; all
// carry a payload of a size that varies, so that the files fill at uneven steps.
std::string messageOf(int writer, int number, std::size_t payloadSize) {
    std::string message = "writer " + std::to_string(writer) + " record " + std::to_string(number);
    if (number % 3 == 0) message += "\nsecond line of " + std::to_string(number) + "\n\tthird";
    const std::size_t size =
        payloadSize / 2 + static_cast<std::size_t>(number * 7919) % payloadSize;
    message += " " + std::string(size, static_cast<char>('a' + (writer * 7 + number) % 26));
    return message;
}

// Two threads log `perThread` records each through the real sink, at the same time.
std::vector<std::vector<Logged>> logFromTwoThreads(int perThread, std::size_t payloadSize,
                                                   int firstNumber = 0) {
    std::vector<std::vector<Logged>> logged(2);
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 2; ++writer) {
        writers.emplace_back([&logged, writer, perThread, payloadSize, firstNumber] {
            const std::uint32_t thread = platform::currentThreadId();
            for (int number = firstNumber; number < firstNumber + perThread; ++number) {
                const int level = levels[number % std::size(levels)];
                const std::string message = messageOf(writer, number, payloadSize);
                LOG_AT(level) << message;
                logged[writer].push_back({thread, level, message});
            }
        });
    }
    for (std::thread& writer : writers) writer.join();
    return logged;
}

// The records of addon-log's --json output, by thread, in their order.
std::map<std::uint32_t, std::vector<Logged>> byThread(const std::vector<nlohmann::json>& records) {
    std::map<std::uint32_t, std::vector<Logged>> threads;
    for (const nlohmann::json& record : records) {
        const int level = record["level"].is_null() ? -1 : record["level"].get<int>();
        threads[record["thread"].get<std::uint32_t>()].push_back(
            {record["thread"], level, record["message"]});
    }
    return threads;
}

// Every logged record once, each thread's records in the order it logged them.
void expectLoggedOnce(const std::vector<std::vector<Logged>>& logged,
                      const std::vector<nlohmann::json>& records) {
    std::map<std::uint32_t, std::vector<Logged>> expected;
    for (const std::vector<Logged>& writer : logged) {
        for (const Logged& record : writer) expected[record.thread].push_back(record);
    }
    auto read = byThread(records);
    ASSERT_EQ(read.size(), expected.size()) << "threads";
    for (const auto& [thread, written] : expected) {
        const std::vector<Logged>& found = read[thread];
        ASSERT_EQ(found.size(), written.size()) << "records of thread " << thread;
        for (std::size_t i = 0; i < written.size(); ++i) {
            const bool named = std::string(Log::levelName(written[i].level)) != "---";
            EXPECT_EQ(found[i].level, named ? written[i].level : -1) << i;
            // Compared whole, but reported short: the payloads are long.
            EXPECT_TRUE(found[i].message == written[i].message)
                << "record " << i << " of thread " << thread << ": read \""
                << found[i].message.substr(0, 60) << "...\", logged \""
                << written[i].message.substr(0, 60) << "...\"";
        }
    }
}

class AddonLogTest : public testing::Test {
protected:
    void SetUp() override {
        folder = test_support::scratchFolder(
            std::string("addon-log-") +
            testing::UnitTest::GetInstance()->current_test_info()->name());
        live = folder / "app.log";
    }
    void TearDown() override {
        Log::RollingOutputToFile::close();
        platform::removeTree(folder);
    }

    fs::path name(int number) const {
        return number == 0 ? live : fs::path(live.string() + "." + std::to_string(number));
    }
    // The set's files as stored, oldest first.
    std::string setContent() const {
        std::string content;
        for (int number = 6; number >= 0; --number) {
            if (fs::exists(name(number))) content += test_support::readFile(name(number));
        }
        return content;
    }
    void openSink() const { Log::RollingOutputToFile::open(platform::widenPath(live.string())); }

    fs::path folder;
    fs::path live;
};

// Several rotations: the limit is 10 MiB, so the records are large.
TEST_F(AddonLogTest, ASetWrittenThroughTheSinkReadsBackAsItWasLogged) {
    openSink();
    const auto logged = logFromTwoThreads(100, 192 * 1024);
    Log::RollingOutputToFile::close();
    ASSERT_TRUE(fs::exists(name(3))) << "fewer rotations than the test needs";

    const ProgramRun json = runLog({live.string(), "--json"});
    ASSERT_TRUE(json.end.exitedWith(0)) << json.end.description() << json.err;
    EXPECT_EQ(json.err, "");
    const std::vector<nlohmann::json> records = jsonLines(json.out);
    EXPECT_EQ(records.size(), 200u);
    expectLoggedOnce(logged, records);
    // Oldest file first, lines numbered within each file, nothing cut.
    int oldest = 6;
    while (!fs::exists(name(oldest))) --oldest;
    EXPECT_EQ(records.front()["file"], name(oldest).string());
    int lastBackup = 7;
    for (const nlohmann::json& record : records) {
        const std::string file = record["file"];
        const int number = file == live.string() ? 0 : std::stoi(file.substr(file.rfind('.') + 1));
        EXPECT_LE(number, lastBackup);
        lastBackup = number;
        EXPECT_FALSE(record["truncated"].get<bool>());
    }
    EXPECT_EQ(lastBackup, 0);

    // As text: the files' lines, oldest first, with this system's line ends.
    const ProgramRun text = runLog({live.string()});
    ASSERT_TRUE(text.end.exitedWith(0)) << text.end.description() << text.err;
    EXPECT_TRUE(text.out == (lineEnd == "\n" ? withLf(setContent()) : withCrLf(setContent())))
        << "the text output differs from the set's lines";

    // The same set with the other line ends (CR LF on Linux, LF on Windows) reads the same.
    const fs::path other = test_support::scratchFolder("addon-log-other-line-ends") / "app.log";
    for (int number = 0; number <= 6; ++number) {
        if (!fs::exists(name(number))) continue;
        const std::string stored = test_support::readFile(name(number));
        const bool crlf = stored.find("\r\n") != std::string::npos;
        test_support::writeFile(
            number == 0 ? other : fs::path(other.string() + "." + std::to_string(number)),
            crlf ? withLf(stored) : withCrLf(stored));
    }
    const ProgramRun converted = runLog({other.string(), "--json"});
    ASSERT_TRUE(converted.end.exitedWith(0)) << converted.end.description() << converted.err;
    const std::vector<nlohmann::json> convertedRecords = jsonLines(converted.out);
    ASSERT_EQ(convertedRecords.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        nlohmann::json expected = records[i];
        const std::string file = expected["file"];
        expected["file"] = other.string() + file.substr(live.string().size());
        EXPECT_TRUE(convertedRecords[i] == expected) << "record " << i;
    }

    // The summary counts the same records.
    const ProgramRun stats = runLog({live.string(), "--stats", "--json"});
    ASSERT_TRUE(stats.end.exitedWith(0)) << stats.end.description() << stats.err;
    const nlohmann::json summary = nlohmann::json::parse(stats.out);
    EXPECT_EQ(summary["records"], 200);
    EXPECT_EQ(summary["unparsedLines"], 0);
    ASSERT_EQ(summary["threads"].size(), 2u);
    EXPECT_EQ(summary["threads"][0]["records"], 100);
    std::uintmax_t bytes = 0;
    for (const nlohmann::json& file : summary["files"])
        bytes += file["bytes"].get<std::uintmax_t>();
    EXPECT_EQ(bytes, setContent().size());
}

// The follower prints what is there, then what is logged while it follows, through rotations
// that rename the file it reads: every record once, in order.
TEST_F(AddonLogTest, FollowsTheSetWhileItIsWrittenAndRotated) {
    openSink();
    LOG_AT(Log::INF) << "before following";
    const fs::path output = folder / "follow.out";
    const fs::path errors = folder / "follow.err";
    platform::ChildEnd end;
    // It follows long enough for the writing below even on a loaded machine under Wine.
    std::thread follower([&] {
        platform::ChildOptions options;
        options.output = output;
        options.errors = errors;
        options.timeLimit = std::chrono::seconds(120);
        end = platform::runChild(test_support::builtProgram("addon-log"),
                                 {live.string(), "--json", "--follow-for", "20"}, options);
    });
    // Written only once the follower has printed what was there, so that it is following.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (test_support::readFile(output).find("before following") == std::string::npos &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::vector<std::vector<Logged>> logged(2);
    for (int batch = 0; batch < 4; ++batch) {
        auto more = logFromTwoThreads(20, 160 * 1024, batch * 20);
        for (int writer = 0; writer < 2; ++writer) {
            logged[writer].insert(logged[writer].end(), more[writer].begin(), more[writer].end());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    LOG_AT(Log::INF) << "after the rotations";
    Log::RollingOutputToFile::close();
    follower.join();
    ASSERT_TRUE(end.exitedWith(0)) << end.description() << test_support::readFile(errors);
    EXPECT_EQ(test_support::readFile(errors), "");
    ASSERT_TRUE(fs::exists(name(2))) << "fewer rotations than the test needs";

    std::vector<nlohmann::json> records = jsonLines(test_support::readFile(output));
    ASSERT_GE(records.size(), 2u);
    // Reported short when they differ: the other records' payloads are long.
    EXPECT_TRUE(records.front()["message"] == "before following")
        << records.front()["message"].get<std::string>().substr(0, 60);
    EXPECT_TRUE(records.back()["message"] == "after the rotations")
        << records.back()["message"].get<std::string>().substr(0, 60);
    records.erase(records.begin());
    records.pop_back();
    EXPECT_EQ(records.size(), 160u);
    expectLoggedOnce(logged, records);
}

// A set by hand that passes midnight.
TEST_F(AddonLogTest, FiltersCombine) {
    test_support::writeFile(name(1),
                            "22:00:00.000 INF 7 starting\n"
                            "23:30:00.000 WAR 8 pressure high\r\n"
                            "valve 3\r\n"
                            "23:59:59.500 ERR 7 drive HX-140 failed\n");
    test_support::writeFile(live,
                            "00:00:02.000 ERR 8 after midnight\n"
                            "00:10:00.000 DBG 8 debug\n"
                            "00:20:00.000 FAT 7 stopped");
    const auto lines = [](const ProgramRun& run) {
        EXPECT_TRUE(run.end.exitedWith(0)) << run.end.description() << run.err;
        return withLf(run.out);
    };
    EXPECT_EQ(lines(runLog({live.string(), "--level", "err", "--thread", "8"})),
              "00:00:02.000 ERR 8 after midnight\n");
    EXPECT_EQ(lines(runLog({live.string(), "--grep", "valve"})),
              "23:30:00.000 WAR 8 pressure high\nvalve 3\n");
    if (linuxBuild) {  // the only build with a regular-expression engine
        EXPECT_EQ(lines(runLog({live.string(), "--grep", "HX-[0-9]+|stop+ed", "--regex"})),
                  "23:59:59.500 ERR 7 drive HX-140 failed\n"
                  "00:20:00.000 FAT 7 stopped [truncated]\n");
    }
    EXPECT_EQ(lines(runLog({live.string(), "--since", "23:59:59", "--until", "00:10:00"})),
              "23:59:59.500 ERR 7 drive HX-140 failed\n"
              "00:00:02.000 ERR 8 after midnight\n"
              "00:10:00.000 DBG 8 debug\n");
    EXPECT_EQ(lines(runLog({live.string(), "--since", "1+00:00:00", "--level", "WAR", "--thread",
                            "7", "--thread", "8"})),
              "00:00:02.000 ERR 8 after midnight\n"
              "00:20:00.000 FAT 7 stopped [truncated]\n");

    const std::vector<nlohmann::json> json = jsonLines(runLog({live.string(), "--json"}).out);
    ASSERT_EQ(json.size(), 6u);
    EXPECT_EQ(json[1]["message"], "pressure high\nvalve 3");
    EXPECT_EQ(json[2]["day"], 0);
    EXPECT_EQ(json[3]["day"], 1);
    EXPECT_EQ(json[5]["truncated"], true);

    // The output has this system's line ends, whatever the files had.
    EXPECT_EQ(runLog({live.string(), "--level", "FAT"}).out,
              "00:20:00.000 FAT 7 stopped [truncated]" + lineEnd);
    EXPECT_EQ(runLog({live.string(), "--grep", "valve"}).out,
              "23:30:00.000 WAR 8 pressure high" + lineEnd + "valve 3" + lineEnd);
}

TEST_F(AddonLogTest, BadInputGetsOneLineAndAnExitCode) {
    const auto oneLine = [](const ProgramRun& run, int exitCode, const std::string& text) {
        EXPECT_TRUE(run.end.exitedWith(exitCode)) << run.end.description() << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    };
    oneLine(runLog({live.string()}), 2,
            "addon-log: " + live.string() + ": no such log file, nor any of its backups");
    oneLine(runLog({folder.string()}), 2,
            "addon-log: " + folder.string() + ": is a folder, not a log file");
    test_support::writeFile(name(1), "");
    oneLine(runLog({live.string()}), 2, ": the log set is empty");
    test_support::writeFile(live, "");
    const ProgramRun empty = runLog({live.string()});
    EXPECT_TRUE(empty.end.exitedWith(0)) << empty.end.description() << empty.err;
    EXPECT_EQ(empty.out + empty.err, "");

    oneLine(runLog({live.string(), "--level", "WARN"}), 1, "--level WARN: not a level");
    oneLine(runLog({live.string(), "--since", "25:00:00"}), 1, "--since 25:00:00: not a time");
    oneLine(runLog({live.string(), "--grep", "(", "--regex"}), 1,
            linuxBuild ? "addon-log: --grep (: not a regular expression: missing )"
                       : "addon-log: --grep (: not a regular expression: this build");
    for (const char* seconds : {"nan", "inf", "-inf", "1e10", "1e300", "-1", "31536001", "x"}) {
        oneLine(runLog({live.string(), "--follow-for", seconds}), 1,
                std::string("addon-log: --follow-for ") + seconds + ": not a number of seconds");
    }
    oneLine(runLog({}), 1, "addon-log: PATH is required");
    oneLine(runLog({live.string(), "--colour"}), 1, "addon-log: The following argument was not");
    const ProgramRun version = runLog({"--version"});
    EXPECT_TRUE(version.end.exitedWith(0)) << version.end.description() << version.err;
    EXPECT_EQ(version.out, std::string("addon-log ") + ADDONLOG_VERSION_STRING + lineEnd);
    const ProgramRun help = runLog({"--help"});
    EXPECT_TRUE(help.end.exitedWith(0)) << help.end.description() << help.err;
    EXPECT_NE(help.out.find("more than 5 seconds earlier"), std::string::npos) << help.out;
}

// A record longer than the reader holds: its first 16 MiB, a visible marker, and a count in the
// summary; the records after it read as usual.
TEST_F(AddonLogTest, ARecordPastTheCapIsCutVisiblyAndCounted) {
    const std::size_t cap = 16 * 1024 * 1024;
    const std::string header = "10:00:00.000 INF 1 ";
    test_support::writeFile(live, header + std::string(cap + 1000, 'x') + "\n" + header + "next\n");
    const ProgramRun text = runLog({live.string()});
    ASSERT_TRUE(text.end.exitedWith(0)) << text.end.description() << text.err;
    EXPECT_TRUE(text.out == header + std::string(cap - header.size(), 'x') +
                                " [cut: " + std::to_string(header.size() + 1000) +
                                " bytes left out]" + lineEnd + header + "next" + lineEnd)
        << text.out.size();
    const ProgramRun stats = runLog({live.string(), "--stats", "--json"});
    ASSERT_TRUE(stats.end.exitedWith(0)) << stats.end.description() << stats.err;
    EXPECT_EQ(nlohmann::json::parse(stats.out)["cut"], 1);
}

// A file name that is no UTF-8 is taken in the system's bytes.
TEST_F(AddonLogTest, APathInLatin1IsRead) {
    if (!linuxBuild) GTEST_SKIP() << "Windows names are UTF-16";
    const std::string latin = (folder / "caf").string() + "\xe9.log";
    test_support::writeFile(latin, "10:00:00.000 INF 1 read\n");
    const ProgramRun run = runLog({latin});
    EXPECT_TRUE(run.end.exitedWith(0)) << run.end.description() << run.err;
    EXPECT_EQ(run.out, "10:00:00.000 INF 1 read\n");
}

// `addon-log --follow | head -1`: once head has gone, following ends though nothing new is
// written (the time limit only guards the test; the program ends at once).
TEST_F(AddonLogTest, FollowingEndsWhenTheOutputsReaderHasGone) {
    if (!linuxBuild) GTEST_SKIP() << "needs a POSIX shell";
    test_support::writeFile(live, "10:00:00.000 INF 1 one\n10:00:00.000 INF 1 two\n");
    const ProgramRun run =
        test_support::runProgram("/bin/sh",
                                 {"-c", "\"$0\" \"$1\" --follow | head -n 1",
                                  test_support::builtProgram("addon-log").string(), live.string()},
                                 std::chrono::seconds(60));
    EXPECT_TRUE(run.end.exitedWith(0)) << run.end.description() << run.err;
    EXPECT_EQ(run.out, "10:00:00.000 INF 1 one\n");
}

// On a terminal (a pseudo-terminal made by script(1)) the controls of a record are shown
// visibly, with --raw they are written as stored; to a pipe the record is written as stored.
TEST_F(AddonLogTest, ControlsReachATerminalOnlyVisiblyUnlessRaw) {
    if (!linuxBuild || !fs::exists("/usr/bin/script")) GTEST_SKIP() << "needs script(1)";
    // A root without /dev/pts mounted (a bare chroot) has no pseudo-terminal to give.
    const ProgramRun probe = test_support::runProgram(
        "/usr/bin/script", {"-qec", "true", "/dev/null"}, std::chrono::seconds(60));
    if (!probe.end.exitedWith(0)) GTEST_SKIP() << "no pseudo-terminal here: " << probe.err;
    const std::string hostile = "10:00:00.000 INF 1 \x1b]0;pwned\x07\x1b[2J\rover\xc2\x9b";
    test_support::writeFile(live, hostile + "\n");
    const auto onTerminal = [&](const std::string& options) {
        const ProgramRun run =
            test_support::runProgram("/usr/bin/script",
                                     {"-qec",
                                      test_support::builtProgram("addon-log").string() + " '" +
                                          live.string() + "'" + options,
                                      "/dev/null"},
                                     std::chrono::seconds(60));
        EXPECT_TRUE(run.end.exitedWith(0)) << run.end.description() << run.err;
        return run.out;
    };
    // The terminal's own line discipline turns the line end into CR LF.
    EXPECT_EQ(onTerminal(""), "10:00:00.000 INF 1 \\x1b]0;pwned\\x07\\x1b[2J\\rover\\xc2\\x9b\r\n");
    EXPECT_EQ(onTerminal(" --raw"), hostile + "\r\n");
    EXPECT_EQ(runLog({live.string()}).out, hostile + "\n");
}

}  // namespace
