// The log file on a file system that runs full: a tmpfs of 1 MiB (mounting it needs
// administrator rights; skipped without them). The last line is cut where the space ended; once
// there is room again and the log file is opened anew, the first new record starts on a line
// of its own, and no byte of what was written is repeated.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "addon001/log/log_statement.h"
#include "log_test_files.h"
#include "numbered_log_check.h"
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

    fs::path small;
    bool mounted = false;
};

TEST_F(LogFullDiskTest, CutLastLineIsEndedBeforeTheFirstNewRecord) {
    small = file("small");
    fs::create_directory(small);
    mounted = test_support::runProgram("/bin/mount",
                                       {"-t", "tmpfs", "-o", "size=1m", "tmpfs", small.string()})
                  .exitCode == 0;
    if (!mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs administrator rights)";
    // Room that is given back later.
    std::ofstream(small / "filler", std::ios::binary) << std::string(64 * 1024, 'f');

    const fs::path live = small / "live.log";
    RollingOutputToFile::open(live.wstring());
    long statements = 0;
    while (RollingOutputToFile::isEnabled() && statements < 100000) {
        LOG_AT(Log::INF) << logtest::numberedMessage(0, statements);
        ++statements;
    }
    ASSERT_FALSE(RollingOutputToFile::isEnabled()) << "the file system did not run full";
    const std::string full = logtest::readFile(live);
    ASSERT_FALSE(full.empty());
    ASSERT_NE(full.back(), '\n') << "the space ended exactly at a line end; nothing to check";

    fs::remove(small / "filler");
    RollingOutputToFile::close();
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    const std::string marker = "after the full disk";
    LOG_AT(Log::INF) << marker;
    RollingOutputToFile::close();

    // What the full disk left is still there byte for byte, followed by a line end.
    EXPECT_EQ(logtest::readFile(live).compare(0, full.size(), full), 0);
    const logtest::NumberedLogCheck check = logtest::checkNumberedLog(live, marker);
    for (const std::string& problem : check.problems) {
        ADD_FAILURE() << problem;
    }
    EXPECT_EQ(check.cutLines, 1);
    // Every record before the one that met the full disk is there, once and in order.
    const std::vector<long>& sequences = check.sequences.at(0);
    ASSERT_EQ(sequences.size(), static_cast<std::size_t>(statements - 1));
    for (std::size_t index = 0; index < sequences.size(); ++index) {
        ASSERT_EQ(sequences[index], static_cast<long>(index));
    }
    std::cout << "full after " << full.size() << " bytes: " << check.wholeLines
              << " whole lines checked, 1 cut line\n";
}

}  // namespace
