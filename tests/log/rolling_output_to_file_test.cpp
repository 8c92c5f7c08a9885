#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "held_file.h"
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

    // Writes lines of 4 KiB ("tag n;yyy...") until the live file has been rotated (its backup 1
    // holds the newest line), at most 10 MiB of them; the number of lines written.
    static std::size_t writeUntilRotated(const fs::path& live, const std::string& tag) {
        for (std::size_t count = 1; count <= 2560; ++count) {
            const std::string text = tag + " " + std::to_string(count) + ";";
            std::string line = text;
            line.resize(4095, 'y');
            RollingOutputToFile::write(line + '\n');
            if (fs::exists(backup(live, 1)) && fs::file_size(live) == 0 &&
                readLines(backup(live, 1)).back().substr(0, text.size()) == text) {
                return count;
            }
        }
        ADD_FAILURE() << "no rotation after 10 MiB of lines";
        return 0;
    }

    // Backups `numbers` (1 to 6 unless told) as files that hold "backup n".
    static void makeBackups(const fs::path& live,
                            const std::vector<int>& numbers = {1, 2, 3, 4, 5, 6}) {
        for (const int number : numbers) {
            std::ofstream(backup(live, number)) << "backup " << number << "\n";
        }
    }

    // The first line of each backup, 1 to 6 ("" for a missing one).
    static std::vector<std::string> backupFirstLines(const fs::path& live) {
        std::vector<std::string> lines;
        for (int number = 1; number <= 6; ++number) {
            const std::vector<std::string> content = readLines(backup(live, number));
            lines.push_back(content.empty() ? std::string() : content.front().substr(0, 20));
        }
        return lines;
    }

    using Lines = std::vector<std::string>;
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
        out << std::string(RollingOutputToFile::maxSize, 'z') << '\n';
    }
    openSink(live);
    RollingOutputToFile::write("first\n");
    ASSERT_TRUE(fs::exists(backup(live, 1)));
    const std::string rotated = readPrefix(backup(live, 1), RollingOutputToFile::maxSize + 100);
    EXPECT_EQ(rotated.find_first_not_of('z'),
              static_cast<std::size_t>(RollingOutputToFile::maxSize));
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
    // The live file, six backups and the file that rotations lock.
    EXPECT_TRUE(fs::is_regular_file(live.string() + RollingOutputToFile::lockSuffix));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 8);
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

    // Once the way is clear, the rotation is tried again by itself within a few lines and
    // moves everything written so far.
    for (int number = 1; number <= 6; ++number) fs::remove_all(backup(live, number));
    const std::size_t linesToRotate = writeUntilRotated(live, "kept more");
    EXPECT_LE(linesToRotate, 256u) << "more than 1 MiB of lines before the rotation was tried";
    const std::vector<std::string> rotated = readLines(backup(live, 1));
    ASSERT_EQ(rotated.size(), 2 + linesToRotate);
    EXPECT_EQ(rotated[0].substr(0, 7), "kept 1;");
    EXPECT_EQ(rotated[1], "kept 2");
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

// A second handle without delete sharing on the live file (another program, a viewer, a virus
// scanner on Windows): the live file cannot be moved, so no backup may be touched, however
// often the rotation is tried; once the handle is gone the rotation goes through by itself.
TEST_F(RollingOutputToFileTest, HeldLiveFileTouchesNoBackup) {
    const fs::path live = file("held.log");
    makeBackups(live);
    openSink(live);
    RollingOutputToFile::write("first\n");
    test_support::HeldFile hold(live);
    if (!hold.held()) GTEST_SKIP() << "this system cannot hold a file against renames";
    RollingOutputToFile::write(oversizedLine("over;"));
    // 4 MiB more, so that the rotation is tried again several times.
    for (int index = 0; index < 40; ++index) {
        RollingOutputToFile::write("more " + std::string(100 * 1024, 'm') + "\n");
    }
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    EXPECT_EQ(backupFirstLines(live),
              (Lines{"backup 1", "backup 2", "backup 3", "backup 4", "backup 5", "backup 6"}));
    EXPECT_EQ(readLines(live).size(), 42u);

    hold.release();
    const std::size_t linesToRotate = writeUntilRotated(live, "released");
    EXPECT_EQ(readLines(backup(live, 1)).size(), 42 + linesToRotate);
    EXPECT_EQ(backupFirstLines(live),
              (Lines{"first", "backup 1", "backup 2", "backup 3", "backup 4", "backup 5"}));
}

// Backup 3 held: the backups above it move up once (the oldest is discarded, as by any
// rotation), but the rotation stops at the held one, and trying again moves nothing further:
// backups 4 to 6 are not walked down the chain. Once it is free, the rotation completes.
TEST_F(RollingOutputToFileTest, HeldBackupStopsTheChainWithoutWalkingItDown) {
    const fs::path live = file("held3.log");
    makeBackups(live);
    test_support::HeldFile hold(backup(live, 3));
    if (!hold.held()) GTEST_SKIP() << "this system cannot hold a file against renames";
    openSink(live);
    RollingOutputToFile::write(oversizedLine("over;"));
    for (int index = 0; index < 40; ++index) {
        RollingOutputToFile::write("more " + std::string(100 * 1024, 'm') + "\n");
    }
    EXPECT_EQ(backupFirstLines(live),
              (Lines{"backup 1", "backup 2", "backup 3", "", "backup 4", "backup 5"}));
    EXPECT_EQ(readLines(live).size(), 41u);

    hold.release();
    writeUntilRotated(live, "released");
    EXPECT_EQ(backupFirstLines(live), (Lines{"over;yyyyyyyyyyyyyyy", "backup 1", "backup 2",
                                             "backup 3", "backup 4", "backup 5"}));
}

// A crash in the middle of a rotation leaves the live file under its moved-aside name
// ("<live>.rotating"), and the backups shifted up to some point. Opening the log file
// completes the rotation: no line is lost and no backup overwritten.
TEST_F(RollingOutputToFileTest, RotationInterruptedByACrashIsCompletedOnOpen) {
    struct Case {
        const char* name;
        std::vector<int> backups;  // the backups that exist, each holding "backup n"
        bool liveExists;           // a live file was started again ("live again")
        Lines expected;            // the first lines of backups 1 to 6 after the open
    };
    const std::vector<Case> cases = {
        {"moved aside, nothing shifted",
         {1, 2, 3, 4, 5, 6},
         false,
         {"moved", "backup 1", "backup 2", "backup 3", "backup 4", "backup 5"}},
        {"oldest removed",
         {1, 2, 3, 4, 5},
         false,
         {"moved", "backup 1", "backup 2", "backup 3", "backup 4", "backup 5"}},
        // Backups 5 and 4 had moved up to 6 and 5 (here each file names its present number).
        {"shifted down to backup 4",
         {1, 2, 3, 5, 6},
         false,
         {"moved", "backup 1", "backup 2", "backup 3", "backup 5", "backup 6"}},
        {"shifted completely",
         {2, 3, 4, 5, 6},
         false,
         {"moved", "backup 2", "backup 3", "backup 4", "backup 5", "backup 6"}},
        {"few backups, live file started", {1}, true, {"moved", "backup 1", "", "", "", ""}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const fs::path live = folder / "crashed.log";
        makeBackups(live, test.backups);
        const fs::path moved = live.string() + ".rotating";
        std::ofstream(moved) << "moved\n";
        if (test.liveExists) std::ofstream(live) << "live again\n";

        openSink(live);
        RollingOutputToFile::write("after the crash\n");
        RollingOutputToFile::close();
        EXPECT_FALSE(fs::exists(moved));
        EXPECT_EQ(backupFirstLines(live), test.expected);
        EXPECT_EQ(readLines(live), test.liveExists ? (Lines{"live again", "after the crash"})
                                                   : Lines{"after the crash"});
        for (const auto& entry : fs::directory_iterator(folder)) fs::remove_all(entry);
    }
}

// When the interrupted rotation cannot be completed (backup 6 is a folder), the moved file
// gets the live file's name back, so that the log file goes on where it stopped.
TEST_F(RollingOutputToFileTest, InterruptedRotationThatCannotCompleteIsUndoneOnOpen) {
    const fs::path live = file("undone.log");
    makeBackups(live, {1, 2, 3, 4, 5});
    fs::create_directories(backup(live, 6) / "occupied");
    std::ofstream(live.string() + ".rotating") << "moved\n";
    openSink(live);
    RollingOutputToFile::write("after the crash\n");
    EXPECT_FALSE(fs::exists(live.string() + ".rotating"));
    EXPECT_EQ(readLines(live), (Lines{"moved", "after the crash"}));
    EXPECT_EQ(readLines(backup(live, 1)), Lines{"backup 1"});
}

// A rotation that keeps failing (a folder named like backup 6) is tried again only after the
// live file has grown further; past four times the limit the live file is emptied and starts
// with one record that says how many bytes were dropped and why. Once the folder is gone, the
// first write past the limit rotates again.
TEST_F(RollingOutputToFileTest, RotationThatKeepsFailingDropsTheLiveFilePastTheCap) {
    const std::uintmax_t newline = storedNewlineSize();
    const fs::path live = file("capped.log");
    makeBackups(live, {1, 2, 3, 4, 5});
    fs::create_directories(backup(live, 6) / "occupied");
    openSink(live);
    // 5 MiB lines: past the limit with the third, past 40 MiB with the ninth.
    const std::uintmax_t lineSize = 5 * 1024 * 1024;
    for (int index = 1; index <= 8; ++index) {
        RollingOutputToFile::write(
            lineOfStoredSize("big " + std::to_string(index), lineSize, newline));
    }
    EXPECT_EQ(fs::file_size(live), 8 * lineSize);
    RollingOutputToFile::write(lineOfStoredSize("big 9", lineSize, newline));
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    const Lines dropped = readLines(live);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_NE(dropped[0].find(" ERR "), std::string::npos) << dropped[0];
    EXPECT_NE(dropped[0].find(std::to_string(9 * lineSize) + " bytes"), std::string::npos)
        << dropped[0];
    EXPECT_NE(dropped[0].find("backup 6"), std::string::npos) << dropped[0];
    EXPECT_EQ(backupFirstLines(live),
              (Lines{"backup 1", "backup 2", "backup 3", "backup 4", "backup 5", ""}));

    fs::remove_all(backup(live, 6));
    RollingOutputToFile::write(lineOfStoredSize("new 1", lineSize, newline));
    EXPECT_FALSE(fs::exists(backup(live, 6)));
    RollingOutputToFile::write(lineOfStoredSize("past the limit", lineSize, newline));
    EXPECT_EQ(backupFirstLines(live), (Lines{dropped[0].substr(0, 20), "backup 1", "backup 2",
                                             "backup 3", "backup 4", "backup 5"}));
    EXPECT_EQ(readLines(backup(live, 1)).back().substr(0, 14), "past the limit");
    EXPECT_EQ(fs::file_size(live), 0u);
}

// A folder put in the live file's place while the file is open (possible where an open file
// can be removed) is not moved into the backups: the open file is kept, and the rotation is
// tried again later. Once the folder is gone, logging goes on in a new live file.
TEST_F(RollingOutputToFileTest, FolderInPlaceOfTheLiveFileIsNotMoved) {
    const fs::path live = file("replaced.log");
    openSink(live);
    RollingOutputToFile::write("first\n");
    std::error_code error;
    fs::remove(live, error);
    if (error) GTEST_SKIP() << "this system does not let an open file be removed";
    fs::create_directories(live / "occupied", error);
    // Windows keeps the name of a removed file until its last handle is closed.
    if (error) GTEST_SKIP() << "the removed live file's name stays taken while it is open";
    RollingOutputToFile::write(oversizedLine("over;"));
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    EXPECT_TRUE(fs::is_directory(live / "occupied"));
    EXPECT_FALSE(fs::exists(backup(live, 1)));

    fs::remove_all(live);
    for (int index = 0; index < 256 && !fs::exists(live); ++index) {
        RollingOutputToFile::write("more " + std::string(4096, 'm') + "\n");
    }
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    RollingOutputToFile::write("in the new file\n");
    // Before it the lines that went on after the folder was removed: in the new file, or
    // counted by one record at its start.
    const Lines lines = readLines(live);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "in the new file");
    for (std::size_t index = 0; index + 1 < lines.size(); ++index) {
        const bool counted = index == 0 && lines[0].find(" ERR ") != std::string::npos &&
                             lines[0].find("written to a former live file") != std::string::npos;
        EXPECT_TRUE(counted || lines[index].compare(0, 5, "more ") == 0) << lines[index];
    }
    EXPECT_FALSE(fs::exists(backup(live, 1)));
}

// Other programs may write to the live file too (it is shared for writing). Every line goes to
// the end of the file, also after a rotation, and the size test counts their bytes: the sink
// counts its own and asks the system for the file's size once the check interval has passed.
TEST_F(RollingOutputToFileTest, OtherWritersLinesAreNeverOverwritten) {
    const fs::path live = file("shared.log");
    openSink(live);
    RollingOutputToFile::write(oversizedLine("first;"));
    ASSERT_EQ(fs::file_size(live), 0u);
    {
        std::ofstream other(live, std::ios::app);
        other << "other 1\n" << std::flush;
        RollingOutputToFile::write("ours 1\n");
        other << "other 2\n" << std::flush;
        RollingOutputToFile::write("ours 2\n");
        EXPECT_EQ(readLines(live), (Lines{"other 1", "ours 1", "other 2", "ours 2"}));
        other << std::string(RollingOutputToFile::maxSize, 'o') << "\n";
    }
    std::this_thread::sleep_for(
        std::chrono::milliseconds(2 * RollingOutputToFile::identityCheckIntervalMs));
    RollingOutputToFile::write("ours 3\n");
    EXPECT_EQ(readLines(backup(live, 1)).back(), "ours 3");
    EXPECT_EQ(readLines(backup(live, 1)).size(), 6u);
    EXPECT_EQ(fs::file_size(live), 0u);
}

// A crash or a full disk can leave the live file ending in the middle of a line, a machine
// reset with NUL bytes at its end. On open the first record then starts on a line of its own;
// every byte already in the file stays as it was.
TEST_F(RollingOutputToFileTest, FirstRecordAfterOpenStartsOnAFreshLine) {
    const std::string newline = storedNewlineSize() == 2 ? "\r\n" : "\n";
    struct Case {
        const char* name;
        std::string before;
        bool needsLineEnd;
    };
    const std::vector<Case> cases = {
        {"empty", "", false},
        {"whole lines", "a" + newline, false},
        {"cut line", "a" + newline + "cut li", true},
        {"NUL padding", "a" + newline + std::string(512, '\0'), true},
        {"cut line and NUL padding", "a" + newline + "cut" + std::string(7, '\0'), true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const fs::path live = file("restart.log");
        std::ofstream(live, std::ios::binary) << test.before;
        openSink(live);
        RollingOutputToFile::write("b\n");
        RollingOutputToFile::close();
        EXPECT_EQ(logtest::readFile(live),
                  test.before + (test.needsLineEnd ? newline : "") + "b" + newline);
        // A second open finds a line end and adds nothing.
        openSink(live);
        RollingOutputToFile::close();
        EXPECT_EQ(logtest::readFile(live),
                  test.before + (test.needsLineEnd ? newline : "") + "b" + newline);
        fs::remove(live);
    }
}

}  // namespace
