// Several processes logging to one path at once (a host started twice), through some twenty
// rotations: two and four equally busy ones, and a quiet one beside a busy one. Each writes
// numbered, self-checking records (numbered_record.h) from one thread. Within the files that
// are kept, every record must be there once, whole, and in its writer's order, from the oldest
// one kept to the writer's last: no process may go on writing into a file that another has
// rotated away and deleted, and no two rotations may interleave.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/remove_tree.h"
#include "built_files.h"
#include "log_test_files.h"
#include "numbered_record.h"
#include "running_child.h"
#include "stoppable_writer.h"

#include <sys/wait.h>
#include <unistd.h>

namespace {

using Log::RollingOutputToFile;
namespace fs = std::filesystem;

struct Writer {
    long quota;           // records it writes at least, then on until all have written theirs
    long pauseMs;         // between two records; 0 for as fast as it can
    bool quiet = false;   // stops only once the busy ones have ended, with one more record
    bool killed = false;  // killed (SIGKILL) once the second rotation has come
    long records = 0;     // how many it wrote, once it has ended
};

template <class Condition>
bool waitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class LogSharedPathTest : public logtest::LogFolderTest {
protected:
    // Runs one log_child per writer on the live file at once, and waits for all of them. No
    // writer is told to stop before every one that lives on has written its quota, so they all
    // end together and each one's last record is among the newest lines of the set, however
    // the system scheduled them (one started late, or run alone for a while, would otherwise
    // have all its lines rotated out by the others).
    void runWriters(std::vector<Writer>& writers) {
        std::vector<std::unique_ptr<test_support::RunningChild>> children;
        const fs::path stop = file("stop");
        const fs::path quietStop = file("stop-quiet");
        const auto own = [&](std::size_t index, const char* what) {
            const fs::path& phase = writers[index].quiet ? quietStop : stop;
            return fs::path(phase.string() + "." + std::to_string(index) + what);
        };
        for (std::size_t index = 0; index < writers.size(); ++index) {
            const Writer& writer = writers[index];
            children.push_back(std::make_unique<test_support::RunningChild>(
                test_support::builtProgram("log_child"),
                std::vector<std::string>{
                    "write", live.string(), std::to_string(index), std::to_string(writer.quota),
                    std::to_string(writer.pauseMs), (writer.quiet ? quietStop : stop).string()}));
            ASSERT_EQ(children.back()->problem(), "");
        }
        for (std::size_t index = 0; index < writers.size(); ++index) {
            if (!writers[index].killed) continue;
            // At a different point of the writing each run, quite likely in a rotation.
            ASSERT_TRUE(waitFor([&] { return fs::exists(backup(live, 2)); }));
            const auto jitter = std::chrono::steady_clock::now().time_since_epoch().count() % 40;
            std::this_thread::sleep_for(std::chrono::milliseconds(jitter));
            children[index]->kill();
        }
        for (std::size_t index = 0; index < writers.size(); ++index) {
            if (writers[index].killed) continue;
            ASSERT_TRUE(waitFor([&] { return fs::exists(own(index, ".done")); }))
                << "writer " << index << " did not write its quota";
        }
        // The busy writers stop first, the quiet ones after them.
        for (const bool quiet : {false, true}) {
            std::ofstream(quiet ? quietStop : stop).close();
            for (std::size_t index = 0; index < writers.size(); ++index) {
                if (writers[index].quiet != quiet) continue;
                const platform::ChildEnd end = children[index]->wait();
                EXPECT_EQ(end.exitedWith(0), !writers[index].killed)
                    << "writer " << index << " " << end.description();
                if (!writers[index].killed) {
                    std::ifstream(own(index, ".count")) >> writers[index].records;
                }
            }
        }
        for (const fs::path& made : {stop, quietStop}) fs::remove(made);
        for (std::size_t index = 0; index < writers.size(); ++index) {
            for (const char* what : {".done", ".count"}) fs::remove(own(index, what));
        }
    }

    // Checks the files kept (backup 6 down to the live file) against what the writers wrote.
    void expectEveryRecordOnceInOrder(const std::vector<Writer>& writers) {
        // At least twenty rotations' worth of lines (a lower bound of each line's size), not
        // counting a killed writer's.
        std::uintmax_t volume = 0;
        for (std::size_t writer = 0; writer < writers.size(); ++writer) {
            if (writers[writer].killed) continue;
            for (long sequence = 0; sequence < writers[writer].records; ++sequence) {
                volume += logtest::payloadLength(static_cast<int>(writer), sequence) + 40;
            }
        }
        ASSERT_GT(volume, 21u * RollingOutputToFile::maxSize) << "too few lines for the test";

        std::map<int, std::vector<long>> sequences;
        std::size_t lines = 0;
        for (int number = RollingOutputToFile::backupCount; number >= 0; --number) {
            const fs::path name = number == 0 ? live : backup(live, number);
            ASSERT_TRUE(fs::is_regular_file(name)) << name << " is missing";
            // Each rotation came once its file had passed the limit, never a second time
            // before the new live file did too.
            if (number > 0) {
                EXPECT_GT(fs::file_size(name), RollingOutputToFile::maxSize) << name;
            }
            const logtest::StoredLines stored = logtest::readStoredLines(name);
            EXPECT_TRUE(stored.endsWithLineEnd) << name;
            for (const std::string& line : stored.lines) {
                const auto record = logtest::parseNumberedLine(line);
                ASSERT_TRUE(record.has_value()) << name << ": " << line.substr(0, 120);
                sequences[record->writer].push_back(record->sequence);
                ++lines;
            }
        }
        for (std::size_t writer = 0; writer < writers.size(); ++writer) {
            const std::vector<long>& found = sequences[static_cast<int>(writer)];
            // (A writer killed early may have had all its lines rotated out since.)
            ASSERT_TRUE(writers[writer].killed || !found.empty())
                << "writer " << writer << " has no line in the set";
            for (std::size_t index = 1; index < found.size(); ++index) {
                ASSERT_EQ(found[index], found[index - 1] + 1)
                    << "writer " << writer << ": missing, repeated or out of order";
            }
            if (!writers[writer].killed) {
                EXPECT_EQ(found.back(), writers[writer].records - 1) << "writer " << writer;
            }
        }
        // Nothing else beside the set: no file of a rotation left behind.
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            const bool inSet = name == "shared.log" || name == "shared.log.lock" ||
                               (name.size() == 12 && name.compare(0, 11, "shared.log.") == 0 &&
                                name[11] >= '1' && name[11] <= '6');
            EXPECT_TRUE(inSet) << "left over: " << name;
        }
        std::cout << writers.size() << " writers, " << volume / (1024 * 1024) << " MiB written, "
                  << lines << " lines kept and checked\n";
    }

    void SetUp() override {
        LogFolderTest::SetUp();
        live = file("shared.log");
    }

    fs::path live;
};

TEST_F(LogSharedPathTest, EquallyBusyProcessesLoseAndMixNothing) {
    for (const std::size_t count : {2u, 4u}) {
        SCOPED_TRACE(std::to_string(count) + " processes");
        std::vector<Writer> writers(count, Writer{180000 / static_cast<long>(count), 0});
        runWriters(writers);
        expectEveryRecordOnceInOrder(writers);
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            ASSERT_TRUE(platform::removeTree(entry.path())) << entry.path();
        }
    }
}

// The quiet one writes a record only every few rotations of the busy one, so that the file it
// had open is long gone from the set when it writes again, and once more after the busy one
// has ended.
TEST_F(LogSharedPathTest, QuietProcessBesideABusyOneKeepsEveryLine) {
    std::vector<Writer> writers = {{0, 150, true}, {180000, 0}};
    runWriters(writers);
    expectEveryRecordOnceInOrder(writers);
}

// One of three writers killed while they log: whatever it held (the rotation lock, a rotation
// half done) stands in nobody's way, and the others' lines are all kept.
TEST_F(LogSharedPathTest, WriterKilledMidWayBlocksNoOther) {
    std::vector<Writer> writers(3, Writer{90000, 0});
    writers[1].killed = true;
    runWriters(writers);
    expectEveryRecordOnceInOrder(writers);
}

// The lock file unusable (a folder in its place): the lock on the log folder keeps the
// rotations of two busy processes apart just as well.
TEST_F(LogSharedPathTest, FolderLockStandsInForAnUnusableLockFile) {
    fs::create_directories(fs::path(live.string() + RollingOutputToFile::lockSuffix) / "x");
    std::vector<Writer> writers(2, Writer{90000, 0});
    runWriters(writers);
    expectEveryRecordOnceInOrder(writers);
}

// A process that opened the log file and then forked four children without exec: they share
// its open files, the lock file's among them, which would let their rotations overlap. Each
// child opens a lock file of its own before it rotates, and so takes part as a process of its
// own: through some twenty rotations nothing is lost, doubled or put into an older file.
TEST_F(LogSharedPathTest, ForkedChildrenRotateAsProcessesOfTheirOwn) {
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    const fs::path stop = file("stop");
    std::vector<Writer> writers(4, Writer{45000, 0});
    std::vector<pid_t> children;
    for (int index = 0; index < 4; ++index) {
        const pid_t child = fork();
        if (child == 0) {
            logtest::logUntilStopped(index, writers[index].quota, 0, stop.string());
            RollingOutputToFile::close();
            _exit(0);
        }
        ASSERT_GT(child, 0);
        children.push_back(child);
    }
    RollingOutputToFile::close();
    for (int index = 0; index < 4; ++index) {
        const fs::path done = stop.string() + "." + std::to_string(index) + ".done";
        ASSERT_TRUE(waitFor([&] { return fs::exists(done); })) << "child " << index;
    }
    std::ofstream(stop).close();
    for (int index = 0; index < 4; ++index) {
        int status = 0;
        ASSERT_EQ(waitpid(children[static_cast<std::size_t>(index)], &status, 0),
                  children[static_cast<std::size_t>(index)]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << index;
        const fs::path count = stop.string() + "." + std::to_string(index) + ".count";
        std::ifstream(count) >> writers[static_cast<std::size_t>(index)].records;
        fs::remove(count);
        fs::remove(stop.string() + "." + std::to_string(index) + ".done");
    }
    fs::remove(stop);
    expectEveryRecordOnceInOrder(writers);
}

}  // namespace
