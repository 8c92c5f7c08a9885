// The log file and other processes: a writer killed while four threads log through rotations,
// after which the log file is opened again; and a child process started while the log file is
// open, which must hold no handle on it, so that the file still rotates while the child runs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "addon001/log/log_statement.h"
#include "built_files.h"
#include "log_test_files.h"
#include "numbered_log_check.h"
#include "running_child.h"

namespace {

using Log::RollingOutputToFile;
using logtest::readLines;
namespace fs = std::filesystem;

class LogProcessTest : public logtest::LogFolderTest {};

// Waits until `condition` holds, at most `limit`; whether it held.
template <class Condition>
bool waitFor(Condition condition, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The last sequence number a writer's journal holds in full, or -1.
long lastJournaled(const fs::path& journal) {
    const logtest::StoredLines stored = logtest::readStoredLines(journal);
    const std::size_t whole = stored.lines.size() - (stored.endsWithLineEnd ? 0 : 1);
    return whole == 0 ? -1 : std::stol(stored.lines[whole - 1]);
}

TEST_F(LogProcessTest, WriterKilledWhileLoggingThroughRotationsLosesAndRepeatsNothing) {
    const fs::path live = file("live.log");
    const fs::path journals = file("journals");
    fs::create_directory(journals);
    test_support::RunningChild child(test_support::builtProgram("log_child"),
                                     {"log", live.string(), journals.string()});
    ASSERT_EQ(child.problem(), "");
    // Killed after its second rotation, a little later each run, so that the kill lands at
    // different points of the writing.
    const bool rotated =
        waitFor([&] { return fs::exists(backup(live, 2)); }, std::chrono::seconds(240));
    const auto jitter = std::chrono::steady_clock::now().time_since_epoch().count() % 50;
    std::this_thread::sleep_for(std::chrono::milliseconds(jitter));
    child.kill();
    const platform::ChildEnd end = child.wait();
    ASSERT_TRUE(rotated) << "the child did not rotate its log file twice";
    EXPECT_FALSE(end.exitedWith(0)) << "the child " << end.description();

    const std::string marker = "opened again after the kill";
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    LOG_AT(Log::INF) << marker;
    RollingOutputToFile::close();

    const logtest::NumberedLogCheck check = logtest::checkNumberedLog(live, marker);
    for (const std::string& problem : check.problems) {
        ADD_FAILURE() << problem;
    }
    // Each writer's records are there once each, in order, from its first (unless the
    // oldest backup was discarded) to the last one its journal holds, or one more: the record
    // whose statement returned but was not journaled before the kill.
    const bool chainFull = fs::exists(backup(live, RollingOutputToFile::backupCount));
    for (int writer = 0; writer < 4; ++writer) {
        const long journaled = lastJournaled(journals / ("writer-" + std::to_string(writer)));
        const std::vector<long>& sequences = check.sequences.at(writer);
        ASSERT_FALSE(sequences.empty());
        for (std::size_t index = 1; index < sequences.size(); ++index) {
            ASSERT_EQ(sequences[index], sequences[index - 1] + 1)
                << "writer " << writer << ": missing, repeated or out of order";
        }
        if (!chainFull) {
            EXPECT_EQ(sequences.front(), 0) << "writer " << writer;
        }
        EXPECT_GE(sequences.back(), journaled) << "writer " << writer << " lost a record";
        EXPECT_LE(sequences.back(), journaled + 1) << "writer " << writer;
    }
    // No file of an interrupted rotation is left beside the live file and its backups.
    int backups = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name == "journals" || name == "live.log" || name == "live.log.lock") continue;
        ++backups;
        EXPECT_TRUE(name.size() == 10 && name.compare(0, 9, "live.log.") == 0 && name[9] >= '1' &&
                    name[9] <= '6')
            << "left over: " << name;
    }
    std::cout << "killed after " << backups << " backups: " << check.wholeLines
              << " whole lines checked, " << check.cutLines << " cut line\n";
}

TEST_F(LogProcessTest, ChildStartedWhileTheFileIsOpenHoldsNoHandleOnIt) {
    const fs::path live = file("live.log");
    RollingOutputToFile::open(live.wstring());
    RollingOutputToFile::write("before the child\n");
    const fs::path report = file("descriptors.txt");
    const fs::path release = file("release");
    test_support::RunningChild child(test_support::builtProgram("log_child"),
                                     {"hold", report.string(), release.string()});
    ASSERT_EQ(child.problem(), "");
    ASSERT_TRUE(waitFor([&] { return fs::exists(report); }, std::chrono::seconds(60)));
    // Where the system lists a process's descriptors, none of the child's is the log file.
    const fs::path liveFile = fs::canonical(live);
    for (const std::string& name : readLines(report)) {
        EXPECT_NE(fs::path(name), liveFile) << "the child inherited the log file";
    }

    // While the child runs, the live file rotates.
    std::string oversized = "oversized;";
    oversized.resize(static_cast<std::size_t>(RollingOutputToFile::maxSize) + 1, 'x');
    RollingOutputToFile::write(oversized + "\n");
    ASSERT_TRUE(fs::exists(backup(live, 1))) << "the child's handle kept the file from moving";
    EXPECT_EQ(readLines(backup(live, 1)).front(), "before the child");
    EXPECT_EQ(fs::file_size(live), 0u);
    RollingOutputToFile::write("after the rotation\n");
    EXPECT_EQ(readLines(live), std::vector<std::string>{"after the rotation"});

    std::ofstream(release).close();
    const platform::ChildEnd end = child.wait();
    EXPECT_TRUE(end.exitedWith(0)) << "the child " << end.description();
}

}  // namespace
