// What other processes and users can do to a log set, and what they cannot: hold the set's
// lock for as long as they like (the rotation waits, no statement does), put a link in the live
// file's place (it is never written or emptied), make the lock file unusable (rotations are
// kept apart otherwise, or not run); and a relative path stays in its folder after a change of
// the working folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "addon001/platform/file_lock.h"
#include "addon001/platform/folder.h"
#include "built_files.h"
#include "log_test_files.h"
#include "running_child.h"

namespace {

using Log::RollingOutputToFile;
using logtest::readLines;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class LogSetSafetyTest : public logtest::LogFolderTest {
protected:
    // Writes 4 KiB lines ("tag n;yyy") until the live file has been rotated; the number written.
    static long writeUntilRotated(const fs::path& live, const std::string& tag) {
        for (long count = 1; count <= 4096; ++count) {
            std::string line = tag + " " + std::to_string(count) + ";";
            line.resize(4095, 'y');
            RollingOutputToFile::write(line + "\n");
            if (fs::exists(backup(live, 1)) && fs::file_size(live) == 0) return count;
        }
        ADD_FAILURE() << "no rotation after 16 MiB of lines";
        return 0;
    }

    static std::string oversized(const std::string& tag) {
        std::string line = tag;
        line.resize(static_cast<std::size_t>(RollingOutputToFile::maxSize) + 1, 'o');
        return line + "\n";
    }

    // The ERR records among `lines`.
    static std::vector<std::string> errRecords(const std::vector<std::string>& lines) {
        std::vector<std::string> found;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(found),
                     [](const std::string& line) { return line.find(" ERR ") == 12; });
        return found;
    }
};

// Whether another object holds the lock of `lockFile`: this one cannot take it at once.
bool heldElsewhere(const fs::path& lockFile) {
    platform::Folder folder;
    platform::FileLock probe;
    const platform::SplitPath split = platform::splitPath(lockFile.wstring());
    if (folder.open(split.folder) || probe.open(folder, split.name, 0600)) return false;
    if (!probe.lock(std::chrono::milliseconds(0))) {
        probe.unlock();
        return false;
    }
    return true;
}

// Another process takes the set's lock and keeps it (another user, a process stopped in a
// debugger): while it does, the live file is not rotated and keeps every line, and no
// statement waits long for the lock; once it lets go, the next try rotates.
TEST_F(LogSetSafetyTest, LockKeptByAnotherProcessPostponesRotationsButHoldsUpNoStatement) {
    const fs::path live = file("held.log");
    const fs::path lockFile = live.string() + RollingOutputToFile::lockSuffix;
    const fs::path release = file("release");
    test_support::writeFile(lockFile, "");
    test_support::RunningChild holder(test_support::builtProgram("log_child"),
                                      {"hold-lock", lockFile.string(), release.string()});
    ASSERT_EQ(holder.problem(), "");
    const auto deadline = Clock::now() + std::chrono::minutes(2);
    while (!heldElsewhere(lockFile) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(heldElsewhere(lockFile)) << "the holder did not take the lock";

    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    // 12 s of records, a large one now and then so that the rotation is tried again and again.
    long written = 0;
    Clock::duration longest{};
    for (const auto end = Clock::now() + std::chrono::seconds(12); Clock::now() < end;) {
        const auto start = Clock::now();
        LOG_AT(Log::INF) << "record " << written
                         << std::string(written % 50 == 0 ? 512 * 1024 : 100, 'r');
        longest = std::max(longest, Clock::now() - start);
        if (++written == 1) RollingOutputToFile::write(oversized("oversized;"));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(longest, std::chrono::seconds(2)) << "a statement waited for the lock";
    EXPECT_FALSE(fs::exists(backup(live, 1))) << "rotated without the lock";
    EXPECT_EQ(readLines(live).size(), static_cast<std::size_t>(written + 1));

    test_support::writeFile(release, "");
    EXPECT_TRUE(holder.wait().exitedWith(0));
    const long released = writeUntilRotated(live, "released");
    const std::vector<std::string> rotated = readLines(backup(live, 1));
    ASSERT_FALSE(rotated.empty());
    EXPECT_NE(rotated.front().find("record 0"), std::string::npos);
    EXPECT_EQ(rotated.size(), static_cast<std::size_t>(written + 1 + released));
    EXPECT_TRUE(errRecords(rotated).empty());
}

// A link put in the live file's place while the sink writes (by whoever may write the folder)
// is a foreign file: the file it points to is neither written nor emptied, also when a folder
// at "<live>.rotating" would make a rotation fail. The records go on into the file the sink
// has open, behind one ERR record; once the link is gone, the live file's first record counts
// them.
TEST_F(LogSetSafetyTest, LinkInTheLiveFilesPlaceIsNeverWrittenNorEmptied) {
    const fs::path live = file("swapped.log");
    const fs::path taken = file("taken-away.log");
    const fs::path victim = file("someone-elses.txt");
    const std::string victimContent(43 * 1024, 'v');
    test_support::writeFile(victim, victimContent);
    RollingOutputToFile::open(live.wstring());
    LOG_AT(Log::INF) << "before";
    fs::rename(live, taken);
    std::error_code error;
    fs::create_symlink(victim, live, error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    fs::create_directory(live.string() + RollingOutputToFile::rotatingSuffix);

    RollingOutputToFile::write(oversized("oversized;"));
    for (int index = 0; index < 100; ++index) LOG_AT(Log::INF) << "while linked " << index;
    EXPECT_EQ(logtest::readFile(victim), victimContent);
    EXPECT_TRUE(fs::is_symlink(live));

    fs::remove(live);
    long after = 0;
    while (!fs::is_regular_file(live) && after < 4 * RollingOutputToFile::retryGapLimit) {
        LOG_AT(Log::INF) << "after " << after++;
    }
    EXPECT_EQ(logtest::readFile(victim), victimContent);
    // The file taken away holds every record up to the live file's return, with one ERR record
    // where the link was found; those after it are counted at the live file's start.
    const std::vector<std::string> kept = readLines(taken);
    const auto told = std::find_if(
        kept.begin(), kept.end(), [](const std::string& line) { return line.find(" ERR ") == 12; });
    ASSERT_NE(told, kept.end());
    EXPECT_NE(told->find("a symbolic link has taken the file's name"), std::string::npos) << *told;
    EXPECT_EQ(kept.size(), 102 + static_cast<std::size_t>(after));
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(std::to_string(kept.end() - told - 1) +
                            " records written to a former live file"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("after " + std::to_string(after - 1)), std::string::npos);
}

// A folder in the lock file's place: where the system can lock the log folder, that lock keeps
// the rotations apart and nothing needs saying; where it cannot (Windows), the live file is not
// rotated, keeps every line, and one ERR record with the system's reason says so.
TEST_F(LogSetSafetyTest, LockFileThatCannotBeUsed) {
    const fs::path live = file("lockless.log");
    fs::create_directories(fs::path(live.string() + RollingOutputToFile::lockSuffix) / "x");
    RollingOutputToFile::open(live.wstring());
    RollingOutputToFile::write("first\n");
    for (int index = 0; index < 3; ++index) RollingOutputToFile::write(oversized("big;"));
    RollingOutputToFile::write("last\n");
    const std::vector<std::string> lines = readLines(live);
#if defined(_WIN32)
    EXPECT_FALSE(fs::exists(backup(live, 1)));
    ASSERT_EQ(lines.size(), 6u);
    const std::vector<std::string> told = errRecords(lines);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("neither the lock file nor the log folder can be locked ("),
              std::string::npos)
        << told[0];
    EXPECT_NE(told[0].find("(error "), std::string::npos) << "not the system's own text";
#else
    EXPECT_EQ(lines, std::vector<std::string>{"last"});
    EXPECT_EQ(readLines(backup(live, 3)).front(), "first");
    EXPECT_TRUE(errRecords(readLines(backup(live, 3))).empty());
#endif
}

// A relative path is made absolute at open: changing the working folder afterwards moves
// neither the live file nor its backups.
TEST_F(LogSetSafetyTest, RelativePathStaysWhereItWasOpened) {
    const fs::path before = fs::current_path();
    fs::create_directory(file("elsewhere"));
    fs::current_path(folder);
    RollingOutputToFile::open(L"relative.log");
    fs::current_path(file("elsewhere"));
    RollingOutputToFile::write(oversized("rotated;"));
    RollingOutputToFile::write("after\n");
    fs::current_path(before);
    EXPECT_EQ(readLines(file("relative.log")), std::vector<std::string>{"after"});
    EXPECT_EQ(logtest::readPrefix(backup(file("relative.log"), 1), 8), "rotated;");
    EXPECT_TRUE(fs::is_empty(file("elsewhere")));
}

#if !defined(_WIN32)
// A dangling link at the lock file's name makes no file where it points (a root process would
// otherwise create one anywhere); the folder's lock keeps the rotations apart instead.
TEST_F(LogSetSafetyTest, DanglingLinkAtTheLockFileCreatesNothing) {
    const fs::path live = file("linked-lock.log");
    const fs::path target = file("made-by-the-link");
    fs::create_symlink(target, live.string() + RollingOutputToFile::lockSuffix);
    RollingOutputToFile::open(live.wstring());
    RollingOutputToFile::write(oversized("rotated;"));
    RollingOutputToFile::write("after\n");
    EXPECT_FALSE(fs::exists(fs::symlink_status(target)));
    EXPECT_EQ(readLines(live), std::vector<std::string>{"after"});
    EXPECT_EQ(logtest::readPrefix(backup(live, 1), 8), "rotated;");
}

// The lock file is made readable by exactly those who may write the live file, so that no one
// else can open it to take the lock.
TEST_F(LogSetSafetyTest, LockFileIsClosedToThoseWhoMayNotWriteTheLog) {
    const fs::path live = file("private.log");
    test_support::writeFile(live, "");
    fs::permissions(live, fs::perms(0664));
    RollingOutputToFile::open(live.wstring());
    const fs::perms lock =
        fs::status(live.string() + RollingOutputToFile::lockSuffix).permissions();
    EXPECT_EQ(lock & (fs::perms::others_all | fs::perms::owner_exec | fs::perms::group_exec),
              fs::perms::none);
    EXPECT_EQ(lock & fs::perms::owner_all, fs::perms::owner_read | fs::perms::owner_write);
}
#endif

}  // namespace
