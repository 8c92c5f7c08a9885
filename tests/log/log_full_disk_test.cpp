// The log file when the system runs out of room while the process goes on logging: a file
// system that runs full (a tmpfs of 1 MiB; mounting it needs administrator rights, skipped
// without them) and then gets space back, and a process out of file descriptors in the middle
// of a rotation (its limit lowered below the descriptors it has open). In both, the sink stays
// enabled, and once the fault is gone the next records arrive by themselves, after one ERR
// record that counts the records dropped and gives the system's reason.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

#include "addon001/log/log_statement.h"
#include "log_test_files.h"
#include "numbered_record.h"
#include "program_run.h"

namespace {

using Log::RollingOutputToFile;
namespace fs = std::filesystem;

class LogFullDiskTest : public logtest::LogFolderTest {
protected:
    void TearDown() override {
        RollingOutputToFile::close();
        if (mounted) test_support::runProgram("/bin/umount", {small.string()});
        LogFolderTest::TearDown();
    }

    // The number of records that the ERR record `line` says were dropped, or -1.
    // The number before `what` in an ERR record of the sink; -1 without one.
    static long recordCount(const std::string& line, const std::string& what) {
        const std::size_t at = line.find(what);
        const std::size_t start = at == std::string::npos ? at : line.rfind(' ', at - 1);
        if (start == std::string::npos) return -1;
        return std::stol(line.substr(start + 1, at - start - 1));
    }

    fs::path small;
    bool mounted = false;
};

// The line cut where the space ended stays as it was and is ended before the ERR record; every
// record is either in the file, whole and once, or counted as dropped.
TEST_F(LogFullDiskTest, LoggingComesBackWhenSpaceIsFreed) {
    small = file("small");
    fs::create_directory(small);
    mounted = test_support::runProgram("/bin/mount",
                                       {"-t", "tmpfs", "-o", "size=1m", "tmpfs", small.string()})
                  .exitCode == 0;
    if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs administrator rights)";
    // Room that is given back later.
    std::ofstream(small / "filler", std::ios::binary) << std::string(256 * 1024, 'f');

    const fs::path live = small / "live.log";
    RollingOutputToFile::open(live.wstring());
    long sequence = 0;
    // Until the file has stopped growing for a while.
    for (int unchanged = 0; unchanged < 50 && sequence < 100000; ++sequence) {
        const std::uintmax_t before = fs::file_size(live);
        LOG_AT(Log::INF) << logtest::numberedMessage(0, sequence);
        unchanged = fs::file_size(live) == before ? unchanged + 1 : 0;
    }
    ASSERT_TRUE(RollingOutputToFile::isEnabled()) << "the full disk switched logging off";
    const std::string full = logtest::readFile(live);
    ASSERT_FALSE(full.empty());
    ASSERT_NE(full.back(), '\n') << "the space ended exactly at a line end; nothing to check";

    fs::remove(small / "filler");
    const std::uintmax_t fullSize = fs::file_size(live);
    const long firstAfterFreeing = sequence;
    while (fs::file_size(live) == fullSize && sequence < firstAfterFreeing + 4096) {
        LOG_AT(Log::INF) << logtest::numberedMessage(0, sequence++);
    }
    LOG_AT(Log::INF) << logtest::numberedMessage(0, sequence++);
    RollingOutputToFile::close();

    // What the full disk left is still there byte for byte, followed by a line end.
    const std::string after = logtest::readFile(live);
    ASSERT_EQ(after.compare(0, full.size(), full), 0);
    ASSERT_EQ(after[full.size()], '\n');
    const logtest::StoredLines stored = logtest::readStoredLines(live);
    std::size_t index = 0;
    long expected = 0;
    for (; index < stored.lines.size(); ++index, ++expected) {
        const auto record = logtest::parseNumberedLine(stored.lines[index]);
        if (!record) break;
        ASSERT_EQ(record->sequence, expected) << "line " << index + 1;
    }
    ASSERT_LT(index + 2, stored.lines.size());
    const long cut = expected;  // the record that met the full disk
    ++index;
    const std::string& report = stored.lines[index];
    EXPECT_NE(report.find(" ERR "), std::string::npos) << report;
    EXPECT_NE(report.find(std::generic_category().message(ENOSPC)), std::string::npos) << report;
    const auto firstBack = logtest::parseNumberedLine(stored.lines[index + 1]);
    ASSERT_TRUE(firstBack.has_value()) << stored.lines[index + 1];
    EXPECT_EQ(recordCount(report, " records dropped ("), firstBack->sequence - cut) << report;
    expected = firstBack->sequence;
    for (++index; index < stored.lines.size(); ++index, ++expected) {
        const auto record = logtest::parseNumberedLine(stored.lines[index]);
        ASSERT_TRUE(record.has_value())
            << "line " << index + 1 << ": " << stored.lines[index].substr(0, 100);
        ASSERT_EQ(record->sequence, expected) << "line " << index + 1;
    }
    EXPECT_EQ(expected, sequence);
    EXPECT_TRUE(stored.endsWithLineEnd);
    std::cout << "full after " << full.size() << " bytes: " << cut << " whole lines, 1 cut; "
              << recordCount(report, " records dropped (") << " records dropped, back after "
              << firstBack->sequence - firstAfterFreeing + 1 << " records\n";
}

// Lowers the limit of open descriptors so that no file can be opened, as long as it lives;
// the descriptors already open stay usable.
class DescriptorLimit {
public:
    DescriptorLimit() {
        getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = 3;  // standard input, output and error
        lowered_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~DescriptorLimit() { restore(); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

    bool lowered() const { return lowered_; }
    void restore() {
        if (lowered_) setrlimit(RLIMIT_NOFILE, &saved_);
        lowered_ = false;
    }

private:
    rlimit saved_{};
    bool lowered_ = false;
};

// The rotation moves the live file into the backups, then cannot open the live file again
// (EMFILE): the records go on into the file just moved, which stays open, and are counted until
// descriptors can be had again; logging then goes on in the live file, behind one ERR record
// with the count. (Before, the moved file was closed first, and these records were dropped.)
TEST_F(LogFullDiskTest, DescriptorsRunOutDuringARotation) {
    const fs::path live = file("descriptors.log");
    RollingOutputToFile::open(live.wstring());
    RollingOutputToFile::write("before\n");
    long lost = 0;
    {
        DescriptorLimit limit;
        ASSERT_TRUE(limit.lowered());
        std::string oversized = "over;";
        oversized.resize(static_cast<std::size_t>(RollingOutputToFile::maxSize) + 1, 'o');
        RollingOutputToFile::write(oversized + "\n");
        for (; lost < 10; ++lost) LOG_AT(Log::INF) << "lost " << lost;
        EXPECT_TRUE(RollingOutputToFile::isEnabled());
        ASSERT_FALSE(fs::exists(live)) << "the live file was opened with no descriptor free";
    }
    long after = 0;
    while (!fs::exists(live) && after < 4 * RollingOutputToFile::retryGapLimit) {
        LOG_AT(Log::INF) << "after " << after++;
    }
    RollingOutputToFile::close();
    // In backup 1: the lines before, one ERR record saying why the records stay there, and
    // every record up to the one that found the live file again.
    const std::vector<std::string> rotated = logtest::readLines(backup(live, 1));
    ASSERT_EQ(rotated.size(), static_cast<std::size_t>(3 + lost + after - 1));
    EXPECT_EQ(rotated[0], "before");
    EXPECT_NE(rotated[2].find(" ERR "), std::string::npos) << rotated[2];
    EXPECT_NE(rotated[2].find(std::generic_category().message(EMFILE)), std::string::npos);
    EXPECT_NE(rotated.back().find("after " + std::to_string(after - 2)), std::string::npos);
    const std::vector<std::string> lines = logtest::readLines(live);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(" ERR "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(std::generic_category().message(EMFILE)), std::string::npos)
        << lines[0];
    EXPECT_EQ(recordCount(lines[0], " records written to a former live file"), lost + after - 1)
        << lines[0];
    EXPECT_NE(lines[1].find("after " + std::to_string(after - 1)), std::string::npos);
}

}  // namespace
