// Reading a log set: the order of its files, records and their lines, line ends, cut lines,
// bad sets, and the files changing under the reader as the sink rotates them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/log/reader/log_set_reader.h"
#include "addon001/platform/shared_read_file.h"
#include "addon001/platform/wide_path_file.h"
#include "log_set_collector.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using logreading::LogSetError;
using logreading::LogSetReader;
using logtest::Collected;
using logtest::readSet;
using Texts = std::vector<std::string>;

class LogSetReaderTest : public testing::Test {
protected:
    void SetUp() override {
        folder = test_support::scratchFolder(
            std::string("reader-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        live = folder / "app.log";
    }
    void TearDown() override { Log::RollingOutputToFile::close(); }

    fs::path name(int number) const {
        return number == 0 ? live : fs::path(live.string() + "." + std::to_string(number));
    }
    void write(int number, const std::string& bytes) const {
        test_support::writeFile(name(number), bytes);
    }
    void append(int number, const std::string& bytes) const {
        std::ofstream(name(number), std::ios::binary | std::ios::app) << bytes;
    }
    // One step of the sink's rotation: every backup one number up, the live file to backup 1.
    void rotate() const {
        fs::remove(name(6));
        for (int number = 5; number >= 0; --number) {
            if (fs::exists(name(number))) fs::rename(name(number), name(number + 1));
        }
    }
    std::wstring wide(int number) const { return platform::widenPath(name(number).string()); }

    // The message of a record line `text` of thread 1 at INF.
    static std::string line(const std::string& text, const char* end = "\n") {
        return "10:00:00.000 INF 1 " + text + end;
    }

    fs::path folder;
    fs::path live;
};

TEST_F(LogSetReaderTest, ReadsTheBackupsOldestFirstThenTheLiveFileWhateverNumbersExist) {
    write(6, line("six"));
    write(3, line("three") + line("three again"));
    write(1, line("one"));
    write(0, line("live"));
    const logtest::Collector read = readSet(live);
    EXPECT_EQ(read.texts(), (Texts{"10:00:00.000 INF 1 six", "10:00:00.000 INF 1 three",
                                   "10:00:00.000 INF 1 three again", "10:00:00.000 INF 1 one",
                                   "10:00:00.000 INF 1 live"}));
    ASSERT_EQ(read.records.size(), 5u);
    EXPECT_EQ(read.records[0].file, name(6).string());
    EXPECT_EQ(read.records[2].file, name(3).string());
    EXPECT_EQ(read.records[2].line, 2u);
    EXPECT_EQ(read.records[4].file, live.string());
    EXPECT_TRUE(read.notices.empty());

    // Backups without a live file (the sink is closed after a failed reopen): read all the same.
    fs::remove(live);
    EXPECT_EQ(readSet(live).records.size(), 4u);
}

TEST_F(LogSetReaderTest, KeepsEveryLineWithTheRecordItFollows) {
    write(1, "stray\nstray again\n" + line("first") + "continued\n24:00:00.000 INF 1 damaged\n" +
                 line("second"));
    write(0, "no record is split between files\n" + line("third"));
    const logtest::Collector read = readSet(live);
    EXPECT_EQ(read.texts(),
              (Texts{"stray\nstray again",
                     "10:00:00.000 INF 1 first\ncontinued\n24:00:00.000 INF 1 damaged",
                     "10:00:00.000 INF 1 second", "no record is split between files",
                     "10:00:00.000 INF 1 third"}));
    EXPECT_FALSE(read.records[0].hasHeader);
    EXPECT_EQ(read.records[1].line, 3u);
    EXPECT_FALSE(read.records[3].hasHeader);
    // Lines that belong to no record, and the damaged header; not the plain continuation.
    EXPECT_EQ(read.unparsed,
              (Texts{name(1).string() + ":1:stray", name(1).string() + ":2:stray again",
                     name(1).string() + ":5:24:00:00.000 INF 1 damaged",
                     live.string() + ":1:no record is split between files"}));
}

TEST_F(LogSetReaderTest, ReadsLfAndCrLfLinesAlike) {
    const std::string lf = line("a") + "second line\n" + line("b");
    std::string crlf;
    for (const char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    write(2, lf);
    write(1, crlf);
    // Mixed line ends, and carriage returns inside a message, which are the message's own.
    write(0, line("c", "\r\n") + line("d") + line("with\rreturn", "\r\n") + line("ends in CR\r"));
    const logtest::Collector read = readSet(live);
    EXPECT_EQ(read.texts(),
              (Texts{"10:00:00.000 INF 1 a\nsecond line", "10:00:00.000 INF 1 b",
                     "10:00:00.000 INF 1 a\nsecond line", "10:00:00.000 INF 1 b",
                     "10:00:00.000 INF 1 c", "10:00:00.000 INF 1 d",
                     "10:00:00.000 INF 1 with\rreturn", "10:00:00.000 INF 1 ends in CR"}));
}

TEST_F(LogSetReaderTest, MarksALastLineWithoutItsLineEndAsTruncated) {
    write(2, line("whole") + "10:00:00.000 INF 1 cut in a backup");
    write(1, line("with a continuation") + "cut continua");
    write(0, line("last whole") + "10:00:00.000 ERR 1 cut as a crash leaves it\r");
    const logtest::Collector read = readSet(live);
    EXPECT_EQ(read.texts(), (Texts{"10:00:00.000 INF 1 whole", "10:00:00.000 INF 1 cut in a backup",
                                   "10:00:00.000 INF 1 with a continuation\ncut continua",
                                   "10:00:00.000 INF 1 last whole",
                                   "10:00:00.000 ERR 1 cut as a crash leaves it"}));
    std::vector<bool> truncated;
    for (const Collected& record : read.records) truncated.push_back(record.truncated);
    EXPECT_EQ(truncated, (std::vector<bool>{false, true, true, false, true}));
}

TEST_F(LogSetReaderTest, GivesTheSameRecordsWhateverTheChunkSize) {
    std::string content;
    for (int i = 0; i < 200; ++i) {
        content += line(std::string(static_cast<std::size_t>(i * 7 % 300), 'a' + i % 26),
                        i % 3 == 0 ? "\r\n" : "\n");
        if (i % 5 == 0) content += "continuation " + std::to_string(i) + "\n";
    }
    content += line(std::string(5000, 'L'));  // longer than the small chunks
    write(1, content);
    write(0, content + "cut");
    const logtest::Collector whole = readSet(live);
    ASSERT_EQ(whole.records.size(), 2u * 201u);
    for (const std::size_t chunk : {1u, 2u, 7u, 64u, 4096u}) {
        const logtest::Collector pieces = readSet(live, chunk);
        EXPECT_EQ(pieces.records, whole.records) << "chunks of " << chunk;
    }
}

TEST_F(LogSetReaderTest, RefusesASetThatCannotBeRead) {
    const auto problem = [this]() -> std::string {
        try {
            LogSetReader reader(live.string());
        } catch (const LogSetError& error) {
            return error.what();
        }
        return "";
    };
    EXPECT_EQ(problem(), live.string() + ": no such log file, nor any of its backups (" +
                             live.string() + ".1 to " + live.string() + ".6)");
    fs::create_directory(name(4));
    write(0, line("live"));
    EXPECT_EQ(problem(), name(4).string() + ": is a folder, not a log file");
    fs::remove(name(4));
    fs::remove(live);
    fs::create_directory(live);
    EXPECT_EQ(problem(), live.string() + ": is a folder, not a log file");
    fs::remove(live);
    write(2, "");
    write(1, "");
    EXPECT_EQ(problem(), live.string() +
                             ": the log set is empty: there is no live file and its backups hold "
                             "nothing");
    // An empty live file: a set without records.
    write(0, "");
    EXPECT_EQ(problem(), "");
    EXPECT_TRUE(readSet(live).records.empty());
    EXPECT_THROW(LogSetReader(""), LogSetError);
}

// As root (or under Wine, run by root) a file without permissions is still readable: skipped
// then, and run again as an unprivileged user (log_set_reader_test_unprivileged).
TEST_F(LogSetReaderTest, RefusesAnUnreadableFileBeforeReadingAnything) {
    write(1, line("backup"));
    write(0, line("live"));
    fs::permissions(name(1), fs::perms::none);
    if (std::ifstream(name(1)).is_open()) {
        fs::permissions(name(1), fs::perms::owner_all);
        GTEST_SKIP() << "permissions do not bind this user";
    }
    try {
        LogSetReader reader(live.string());
        ADD_FAILURE() << "no error for an unreadable backup";
    } catch (const LogSetError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(name(1).string() + ": cannot be read: ", 0), 0u)
            << error.what();
    }
    fs::permissions(name(1), fs::perms::owner_all);
}

// The rotation happens between two reads: the rest of the renamed file is read, then the new live
// file; nothing is lost, nothing repeated.
TEST_F(LogSetReaderTest, FollowsTheLiveFileThroughRotations) {
    write(1, line("old backup"));
    write(0, line("one") + line("two") + "partial li");
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    EXPECT_TRUE(reader.readOn(events));
    // "two" could still get a continuation line; the partial line is not a line yet.
    EXPECT_EQ(read.texts(), (Texts{"10:00:00.000 INF 1 old backup", "10:00:00.000 INF 1 one"}));

    append(0, "ne\ncontinued\n" + line("three"));
    rotate();
    EXPECT_TRUE(reader.readOn(events));
    EXPECT_TRUE(reader.waitingForLiveFile());  // renamed, the new one not made yet
    write(0, line("four"));
    EXPECT_TRUE(reader.readOn(events));
    EXPECT_FALSE(reader.waitingForLiveFile());
    // Two rotations before the next read: the file read moves two numbers up.
    append(0, line("five"));
    rotate();
    write(0, line("six"));
    rotate();
    write(0, line("seven"));
    EXPECT_TRUE(reader.readOn(events));
    EXPECT_FALSE(reader.readOn(events));
    reader.finish(events);
    EXPECT_EQ(read.texts(),
              (Texts{"10:00:00.000 INF 1 old backup", "10:00:00.000 INF 1 one",
                     "10:00:00.000 INF 1 two\npartial line\ncontinued", "10:00:00.000 INF 1 three",
                     "10:00:00.000 INF 1 four", "10:00:00.000 INF 1 five", "10:00:00.000 INF 1 six",
                     "10:00:00.000 INF 1 seven"}));
    EXPECT_TRUE(read.notices.empty());
    ASSERT_EQ(reader.filesRead().size(), 5u);
    EXPECT_EQ(reader.filesRead()[1].name, live.string());
    EXPECT_EQ(reader.filesRead()[1].bytes, fs::file_size(name(3)));
}

// The sink's rotation moves the live file to backup 1 by way of its ".rotating" name, shifting
// the backups in between; the reader looks between any two of those steps. The file under the
// ".rotating" name has not left the set: nothing is given up, nothing read twice.
TEST_F(LogSetReaderTest, ReadsBetweenTheStepsOfTheSinksRotation) {
    const fs::path rotating = live.string() + ".rotating";
    write(1, line("backup"));
    write(0, line("live"));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);

    append(0, line("last in the live file"));
    fs::rename(live, rotating);
    EXPECT_TRUE(reader.readOn(events));
    EXPECT_TRUE(reader.waitingForLiveFile());
    fs::rename(name(1), name(2));
    reader.readOn(events);
    fs::rename(rotating, name(1));
    reader.readOn(events);
    write(0, line("new live file"));
    reader.readOn(events);
    reader.finish(events);
    EXPECT_EQ(read.texts(), (Texts{"10:00:00.000 INF 1 backup", "10:00:00.000 INF 1 live",
                                   "10:00:00.000 INF 1 last in the live file",
                                   "10:00:00.000 INF 1 new live file"}));
    EXPECT_TRUE(read.notices.empty()) << read.notices.front();

    // A rotation that a crash interrupted there: the file is read in its place, after backup 1
    // and before the live file; alone, it is still a set. A folder under that name is no file
    // of the set.
    fs::rename(name(1), rotating);
    EXPECT_EQ(readSet(live).texts(), (Texts{"10:00:00.000 INF 1 backup", "10:00:00.000 INF 1 live",
                                            "10:00:00.000 INF 1 last in the live file",
                                            "10:00:00.000 INF 1 new live file"}));
    EXPECT_EQ(readSet(live).records[1].file, rotating.string());
    fs::remove(live);
    fs::remove(name(2));
    EXPECT_EQ(readSet(live).records.size(), 2u);
    fs::remove(rotating);
    fs::create_directory(rotating);
    write(0, line("beside a folder"));
    EXPECT_EQ(readSet(live).texts(), (Texts{"10:00:00.000 INF 1 beside a folder"}));
}

TEST_F(LogSetReaderTest, ReadsALiveFileThatWasEmptiedAgainFromItsStart) {
    write(0, line("one") + line("two"));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);
    write(0, line("after"));  // emptied and written again, shorter than before
    reader.readOn(events);
    // Emptied and written again, by now longer than what was read: the first bytes tell.
    write(0, line("written anew") + line("longer than what was read before"));
    reader.readOn(events);
    reader.finish(events);
    EXPECT_EQ(read.texts(), (Texts{"10:00:00.000 INF 1 one", "10:00:00.000 INF 1 two",
                                   "10:00:00.000 INF 1 after", "10:00:00.000 INF 1 written anew",
                                   "10:00:00.000 INF 1 longer than what was read before"}));
    ASSERT_EQ(read.notices.size(), 2u);
    EXPECT_NE(read.notices[0].find("shrank from 46 to 25 bytes"), std::string::npos)
        << read.notices[0];
    EXPECT_NE(read.notices[1].find("was written anew from its start"), std::string::npos)
        << read.notices[1];
    EXPECT_EQ(read.records[2].line, 1u);
}

// More rotations than backups between two reads: the file being read and the ones after it
// left the set. The reader says so and goes on with what is there.
TEST_F(LogSetReaderTest, TellsWhenTheFileItReadLeftTheSet) {
    write(0, line("first"));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);
    for (int rotation = 0; rotation < 8; ++rotation) {
        rotate();
        write(0, line("after rotation " + std::to_string(rotation)));
    }
    reader.readOn(events);
    reader.finish(events);
    ASSERT_EQ(read.notices.size(), 1u);
    EXPECT_NE(read.notices[0].find(live.string() + ": rotated out of the log set"),
              std::string::npos)
        << read.notices[0];
    // What is still there, from backup 6 on.
    EXPECT_EQ(
        read.texts(),
        (Texts{"10:00:00.000 INF 1 first", "10:00:00.000 INF 1 after rotation 1",
               "10:00:00.000 INF 1 after rotation 2", "10:00:00.000 INF 1 after rotation 3",
               "10:00:00.000 INF 1 after rotation 4", "10:00:00.000 INF 1 after rotation 5",
               "10:00:00.000 INF 1 after rotation 6", "10:00:00.000 INF 1 after rotation 7"}));
}

// The real sink renames the live file and the backups while the reader has them open: the renames
// must succeed (on Windows this needs delete sharing), and the reader follows them.
TEST_F(LogSetReaderTest, TheSinkRotatesWhileFilesAreHeldOpen) {
    Log::RollingOutputToFile::open(wide(0));
    LOG_AT(Log::INF) << "before any rotation";
    platform::SharedReadFile firstLive;
    ASSERT_FALSE(firstLive.open(name(0).string()));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);

    const std::string big(static_cast<std::size_t>(Log::RollingOutputToFile::maxSize), 'x');
    LOG_AT(Log::WAR) << "rotates\n" << big;
    LOG_AT(Log::INF) << "in the second live file";
    platform::SharedReadFile secondLive;
    ASSERT_FALSE(secondLive.open(name(0).string()));
    reader.readOn(events);
    LOG_AT(Log::ERR) << "rotates again " << big;
    LOG_AT(Log::INF) << "in the third live file";
    ASSERT_TRUE(Log::RollingOutputToFile::isEnabled());

    // Both held files moved on: the first is backup 2, the second backup 1.
    const auto identityOf = [&](int number) {
        platform::SharedReadFile file;
        EXPECT_FALSE(file.open(name(number).string()));
        return file.identity();
    };
    EXPECT_EQ(identityOf(2), firstLive.identity());
    EXPECT_EQ(identityOf(1), secondLive.identity());
    EXPECT_NE(identityOf(0), secondLive.identity());
    std::string held(64, '\0');
    std::size_t got = 0;
    ASSERT_FALSE(firstLive.read(held.data(), held.size(), got));
    held.resize(got);
    EXPECT_NE(held.find(" INF "), std::string::npos);
    EXPECT_NE(held.find("before any rotation"), std::string::npos);

    reader.readOn(events);
    reader.finish(events);
    ASSERT_EQ(read.records.size(), 5u);
    EXPECT_EQ(read.records[1].text.substr(12, 5), " WAR ");
    EXPECT_NE(read.records[1].text.find("rotates\n" + big), std::string::npos);
    EXPECT_NE(read.records[2].text.find("in the second live file"), std::string::npos);
    EXPECT_NE(read.records[3].text.find("rotates again " + big), std::string::npos);
    EXPECT_NE(read.records[4].text.find("in the third live file"), std::string::npos);
    EXPECT_TRUE(read.notices.empty());
}

// The cap on a record's text: a line or a record longer than it keeps its first bytes, the rest
// counted; what follows reads as usual. A file without any line end is read through a buffer
// that never grows past the cap and a chunk.
TEST_F(LogSetReaderTest, ARecordLongerThanTheCapIsCutAndCounted) {
    const std::size_t cap = 64;
    const std::string longLine = line(std::string(1000, 'x'));
    write(0, longLine + line("after") + line("multi") + std::string(40, 'y') + "\n" +
                 std::string(40, 'z') + "\n" + line("last") + std::string(5000, 'n'));
    std::vector<std::uint64_t> cuts;
    logtest::Collector read;
    logreading::ReadEvents events = read.events();
    const auto collect = events.record;
    events.record = [&](const logreading::LogRecord& record) {
        cuts.push_back(record.cutBytes);
        collect(record);
    };
    LogSetReader reader(live.string(), 16, cap);
    reader.readOn(events);
    reader.finish(events);
    ASSERT_EQ(read.records.size(), 4u);
    EXPECT_EQ(read.records[0].text, longLine.substr(0, cap));
    EXPECT_EQ(cuts[0], longLine.size() - 1 - cap);
    EXPECT_EQ(read.records[1].text, line("after", ""));
    EXPECT_EQ(cuts[1], 0u);
    EXPECT_EQ(read.records[2].text, (line("multi") + std::string(40, 'y')).substr(0, cap));
    EXPECT_EQ(read.records[2].text.size() + cuts[2], line("multi", "").size() + 1 + 40 + 1 + 40);
    // The line numbers go on after cut lines; the last line, without an end, is cut as well.
    EXPECT_EQ(read.records[3].line, 6u);
    EXPECT_EQ(read.records[3].text, (line("last") + std::string(5000, 'n')).substr(0, cap));
    EXPECT_EQ(cuts[3], line("last").size() + 5000 - cap);
    EXPECT_TRUE(read.records[3].truncated);
}

// logrotate's copytruncate: the live file is copied to backup 1, then emptied in place. The
// records are read once: the copy is the same records again, not new ones.
TEST_F(LogSetReaderTest, ACopyAndTruncateRotationReadsEveryRecordOnce) {
    if (platform::removedFileKeepsNameWhileOpen) GTEST_SKIP() << "files are not held open here";
    write(0, line("one") + line("two"));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);
    fs::copy_file(live, name(1));
    std::ofstream(live, std::ios::binary | std::ios::trunc).close();
    append(0, line("three"));
    reader.readOn(events);
    reader.finish(events);
    EXPECT_EQ(read.texts(), (Texts{line("one", ""), line("two", ""), line("three", "")}));
    EXPECT_EQ(read.notices.size(), 1u);
}

// The live file removed and made anew: one notice however often the reader looks meanwhile,
// then the new file from its start.
TEST_F(LogSetReaderTest, ARemovedAndRemadeLiveFileGivesOneNotice) {
    write(1, line("backup"));
    write(0, line("first"));
    LogSetReader reader(live.string());
    logtest::Collector read;
    const auto events = read.events();
    reader.readOn(events);
    fs::remove(live);
    for (int poll = 0; poll < 3; ++poll) reader.readOn(events);
    write(0, line("remade"));
    for (int poll = 0; poll < 3; ++poll) reader.readOn(events);
    reader.finish(events);
    EXPECT_EQ(read.texts(), (Texts{line("backup", ""), line("first", ""), line("remade", "")}));
    ASSERT_EQ(read.notices.size(), 1u);
    EXPECT_NE(read.notices[0].find("was removed"), std::string::npos) << read.notices[0];
}

}  // namespace
