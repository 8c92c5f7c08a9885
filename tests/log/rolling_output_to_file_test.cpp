#include <gtest/gtest.h>

#include <string>

#include "addon001/log/rolling_output_to_file.h"
#include "log_test_files.h"

namespace {

using Log::RollingOutputToFile;
using logtest::readLines;
using logtest::readPrefix;
namespace fs = std::filesystem;

class RollingOutputToFileTest : public logtest::LogFolderTest {
protected:
    void openSink(const fs::path& live) { RollingOutputToFile::open(live.wstring()); }

    // Bytes the file stores for one newline (CR LF on Windows, LF on Linux).
    std::uintmax_t storedNewlineSize() {
        const fs::path probe = file("probe.log");
        openSink(probe);
        RollingOutputToFile::write("\n");
        RollingOutputToFile::close();
        const std::uintmax_t size = fs::file_size(probe);
        fs::remove(probe);
        return size;
    }

    // A line of `storedSize` bytes as stored, starting with `tag`.
    std::string lineOfStoredSize(const std::string& tag, std::uintmax_t storedSize,
                                 std::uintmax_t newlineSize) {
        std::string line = tag;
        line.resize(storedSize - newlineSize, 'x');
        return line + '\n';
    }

    // A line that alone takes the live file past the limit, starting with `tag`.
    static std::string oversizedLine(const std::string& tag) {
        std::string line = tag;
        line.resize(RollingOutputToFile::maxSize + 1, 'y');
        return line + '\n';
    }
};

TEST_F(RollingOutputToFileTest, NothingIsCreatedOrWrittenWhileClosed) {
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("dropped\n");
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(RollingOutputToFileTest, OpenAppendsToExistingContentAndFlushesEveryLine) {
    const fs::path live = file("app.log");
    std::ofstream(live) << "earlier\n";
    openSink(live);
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("one\n");
    // Readable at once, without closing: each line is flushed.
    EXPECT_EQ(readLines(live), (std::vector<std::string>{"earlier", "one"}));
    RollingOutputToFile::write("two\n");
    RollingOutputToFile::close();
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    EXPECT_EQ(readLines(live), (std::vector<std::string>{"earlier", "one", "two"}));
}

TEST_F(RollingOutputToFileTest, WideNonAsciiPathNamesTheFileInUnicode) {
    RollingOutputToFile::open(folder.wstring() + L"/pr\u00FCfung-\u20AC.log");
    RollingOutputToFile::write("text\n");
    RollingOutputToFile::close();
    const fs::path expected = folder / fs::u8path(
                                           "pr\xC3\xBC"
                                           "fung-\xE2\x82\xAC.log");
    EXPECT_EQ(readLines(expected), std::vector<std::string>{"text"});
}

TEST_F(RollingOutputToFileTest, SecondOpenDisablesUntilCloseAndOpen) {
    const fs::path first = file("first.log");
    const fs::path second = file("second.log");
    openSink(first);
    RollingOutputToFile::write("a\n");
    openSink(second);
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("lost\n");
    EXPECT_FALSE(fs::exists(second));
    EXPECT_EQ(readLines(first), std::vector<std::string>{"a"});

    RollingOutputToFile::close();
    openSink(second);
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("b\n");
    EXPECT_EQ(readLines(second), std::vector<std::string>{"b"});
}

TEST_F(RollingOutputToFileTest, CloseOnClosedSinkThenOpenWorks) {
    RollingOutputToFile::close();
    RollingOutputToFile::close();
    const fs::path live = file("again.log");
    openSink(live);
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("c\n");
    RollingOutputToFile::close();
    openSink(live);
    RollingOutputToFile::write("d\n");
    EXPECT_EQ(readLines(live), (std::vector<std::string>{"c", "d"}));
}

TEST_F(RollingOutputToFileTest, MissingOrUnwritableLocationLeavesSinkDisabled) {
    openSink(folder / "missing" / "x.log");
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("nowhere\n");
    EXPECT_FALSE(fs::exists(folder / "missing"));

    // A folder in place of the file cannot be opened for writing, not even by an administrator.
    fs::create_directory(file("taken.log"));
    RollingOutputToFile::close();
    openSink(file("taken.log"));
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("nowhere\n");
    EXPECT_TRUE(fs::is_directory(file("taken.log")));
}

TEST_F(RollingOutputToFileTest, RotatesOnlyPastTheLimitAndKeepsTheWholeLine) {
    const std::uintmax_t newline = storedNewlineSize();
    const fs::path live = file("limit.log");
    openSink(live);
    // Ten lines of 1 MiB as stored bring the file to exactly the limit: no rotation.
    for (int index = 0; index < 10; ++index) {
        RollingOutputToFile::write(
            lineOfStoredSize("line" + std::to_string(index), 1048576, newline));
    }
    EXPECT_EQ(fs::file_size(live), 10485760u);
    EXPECT_FALSE(fs::exists(backup(live, 1)));

    RollingOutputToFile::write("over\n");
    ASSERT_TRUE(fs::exists(backup(live, 1)));
    EXPECT_EQ(fs::file_size(backup(live, 1)), 10485760u + 4 + newline);
    EXPECT_EQ(readLines(backup(live, 1)).back(), "over");
    EXPECT_EQ(fs::file_size(live), 0u);
    EXPECT_TRUE(RollingOutputToFile::isEnabled());

    RollingOutputToFile::write("fresh\n");
    EXPECT_EQ(readLines(live), std::vector<std::string>{"fresh"});
}

TEST_F(RollingOutputToFileTest, FileAlreadyPastTheLimitRotatesOnFirstWrite) {
    const fs::path live = file("big.log");
    {
        std::ofstream out(live, std::ios::binary);
        out << std::string(RollingOutputToFile::maxSize + 1, 'z');
    }
    openSink(live);
    RollingOutputToFile::write("first\n");
    ASSERT_TRUE(fs::exists(backup(live, 1)));
    const std::string rotated = readPrefix(backup(live, 1), RollingOutputToFile::maxSize + 100);
    EXPECT_EQ(rotated.find_first_not_of('z'),
              static_cast<std::size_t>(RollingOutputToFile::maxSize + 1));
    EXPECT_EQ(rotated.substr(RollingOutputToFile::maxSize + 1, 5), "first");
    EXPECT_EQ(fs::file_size(live), 0u);
}

TEST_F(RollingOutputToFileTest, KeepsSixBackupsAndDiscardsTheOldest) {
    const fs::path live = file("six.log");
    openSink(live);
    // Each generation is one line past the limit, so each write rotates once.
    for (int generation = 1; generation <= 7; ++generation) {
        RollingOutputToFile::write(oversizedLine("generation " + std::to_string(generation) + ";"));
        if (generation == 6) {
            for (int number = 1; number <= 6; ++number) {
                EXPECT_EQ(readPrefix(backup(live, number), 13),
                          "generation " + std::to_string(7 - number) + ";");
            }
        }
    }
    // The seventh rotation discarded generation 1; the newest backup holds generation 7.
    for (int number = 1; number <= 6; ++number) {
        EXPECT_EQ(readPrefix(backup(live, number), 13),
                  "generation " + std::to_string(8 - number) + ";");
    }
    EXPECT_FALSE(fs::exists(backup(live, 7)));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 7);
    EXPECT_EQ(fs::file_size(live), 0u);
}

TEST_F(RollingOutputToFileTest, FailedRenameOfTheLiveFileLosesNoLine) {
    const fs::path live = file("stuck.log");
    // Non-empty folders in place of every backup: no backup can be removed, renamed or
    // replaced, so the live file cannot be moved aside.
    for (int number = 1; number <= 6; ++number) {
        fs::create_directories(backup(live, number) / "occupied");
    }
    openSink(live);
    RollingOutputToFile::write(oversizedLine("kept 1;"));
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("kept 2\n");
    ASSERT_TRUE(fs::is_directory(backup(live, 1)));
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 7), "kept 1;");
    EXPECT_EQ(lines[1], "kept 2");

    // Once the way is clear, the next write over the limit rotates everything written so far.
    for (int number = 1; number <= 6; ++number) fs::remove_all(backup(live, number));
    RollingOutputToFile::write("kept 3\n");
    const std::vector<std::string> rotated = readLines(backup(live, 1));
    ASSERT_EQ(rotated.size(), 3u);
    EXPECT_EQ(rotated[0].substr(0, 7), "kept 1;");
    EXPECT_EQ(rotated[2], "kept 3");
    EXPECT_EQ(fs::file_size(live), 0u);
}

TEST_F(RollingOutputToFileTest, BackupThatCannotBeShiftedIsNeverOverwritten) {
    const fs::path live = file("blocked.log");
    // Backup 1 is a file, but its way to backup 2 is blocked by a non-empty folder.
    std::ofstream(backup(live, 1)) << "older backup\n";
    for (int number = 2; number <= 6; ++number) {
        fs::create_directories(backup(live, number) / "occupied");
    }
    openSink(live);
    RollingOutputToFile::write(oversizedLine("live;"));
    RollingOutputToFile::write("after\n");
    // Neither the backup's lines nor the live file's are lost.
    EXPECT_EQ(readLines(backup(live, 1)), (std::vector<std::string>{"older backup"}));
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 5), "live;");
    EXPECT_EQ(lines[1], "after");
}

}  // namespace
