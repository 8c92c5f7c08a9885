// The log file when the file system fails it: a full device, its folder removed while the file
// is open, a folder without write permission. The sink never throws and does not switch itself
// off: once the fault is gone it logs again by itself, first saying what it could not write.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "addon001/log/log_statement.h"
#include "drive_catalogue.h"
#include "failing_allocation.h"
#include "log_test_files.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

using Log::RollingOutputToFile;
using logtest::readLines;
namespace fs = std::filesystem;

class LogFaultTest : public logtest::LogFolderTest {
protected:
    void TearDown() override {
        // Give the folder its permissions back so that it can be removed.
        std::error_code ignored;
        fs::permissions(folder / "locked", fs::perms::owner_all, ignored);
        LogFolderTest::TearDown();
    }

    // After a fault: the sink is closed and opened on a good file, and lines arrive again.
    void expectLoggingWorksAgain() {
        RollingOutputToFile::close();
        const fs::path good = file("recovered.log");
        RollingOutputToFile::open(good.wstring());
        ASSERT_TRUE(RollingOutputToFile::isEnabled());
        LOG_AT(Log::INF) << "after the fault";
        RollingOutputToFile::close();
        const std::vector<std::string> lines = readLines(good);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(" INF "), std::string::npos);
        EXPECT_NE(lines[0].find("after the fault"), std::string::npos);
    }

    // A line that alone takes the live file past the rotation limit.
    static std::string oversizedMessage() {
        return std::string(static_cast<std::size_t>(RollingOutputToFile::maxSize) + 1, 'o');
    }
};

// A device node like /dev/full at `node`, made as an administrator can: a file name in the
// test's folder whose every write fails with "No space left on device". (A symbolic link to
// the device would not do: the log file is never opened through a link.) False where no such
// node can be made.
bool makeFullDevice(const fs::path& node) {
#if defined(_WIN32)
    static_cast<void>(node);
    return false;
#else
    struct stat device {};
    if (stat("/dev/full", &device) != 0 || !S_ISCHR(device.st_mode) ||
        mknod(node.c_str(), S_IFCHR | 0666, device.st_rdev) != 0) {
        return false;
    }
    // A file system mounted without devices refuses to open it.
    if (std::ofstream(node)) return true;
    fs::remove(node);
    return false;
#endif
}

// Every write fails: the sink stays enabled, counts the records it cannot write and drops
// them, and never rotates the device (a failed write adds nothing to the file's size). Once
// the fault is gone (the device node replaced by nothing), logging comes back by itself,
// within the retry gap, and its first line says how many records were dropped and why.
TEST_F(LogFaultTest, FullDeviceDropsAndCountsRecordsUntilTheFileWorksAgain) {
    const fs::path live = file("full.log");
    if (!makeFullDevice(live)) GTEST_SKIP() << "no device node like /dev/full can be made here";

    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled()) << "the full device opens like any file";
    EXPECT_NO_THROW(LOG_AT(Log::ERR) << "lost on a full device");
    EXPECT_TRUE(RollingOutputToFile::isEnabled()) << "a failed write switched logging off";
    EXPECT_NO_THROW(RollingOutputToFile::write(oversizedMessage() + "\n"));
    EXPECT_TRUE(fs::is_character_file(live));
    EXPECT_FALSE(fs::exists(backup(live, 1)));

    fs::remove(live);
    long issued = 2;
    do {
        LOG_AT(Log::INF) << "after the fault " << issued++;
    } while (!fs::exists(live) && issued < 4 * RollingOutputToFile::retryGapLimit);
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 2u) << "logging did not come back";
    EXPECT_NE(lines[0].find(" ERR "), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find(" " + std::to_string(issued - 1) + " records dropped"),
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[0].find(std::generic_category().message(ENOSPC)), std::string::npos)
        << lines[0];
    EXPECT_NE(lines[1].find("after the fault " + std::to_string(issued - 1)), std::string::npos);

    // The failure path of the drive catalogue on a full device: still the failure text.
    RollingOutputToFile::close();
    fs::remove(live);
    ASSERT_TRUE(makeFullDevice(live));
    RollingOutputToFile::open(live.wstring());
    addon::DriveInfoSlots slots = addon::makeDriveInfoSlots();
    addon::setDriveType(slots, std::string(100, 'X'));
    bool failureText = false;
    try {
        failing_allocation::Scope failing(1);
        addon::setDriveInfoString(slots);
    } catch (const char* text) {
        failureText = std::string(text) == "CString setDriveInfoString() failed";
    }
    EXPECT_TRUE(failureText);

    expectLoggingWorksAgain();
}

// Removing the folder leaves the open file writable (its lines go to the unlinked file). The
// rotation notices that the live path names nothing any more, cannot open it, and goes on into
// the file it has, without recreating the folder. Once the folder is back, the live file is
// opened again by itself, and its first record says how many records went to the old file.
TEST_F(LogFaultTest, FolderRemovedWhileTheFileIsOpen) {
    const fs::path subfolder = file("removed");
    fs::create_directory(subfolder);
    const fs::path live = subfolder / "live.log";
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    LOG_AT(Log::INF) << "before the removal";

    std::error_code error;
    fs::remove_all(subfolder, error);
    if (error || fs::exists(subfolder)) {
        GTEST_SKIP() << "this system does not remove a folder whose file is open";
    }

    // Past the limit: the rotation's renames and its reopen all fail.
    EXPECT_NO_THROW(LOG_AT(Log::INF) << oversizedMessage());
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    EXPECT_NO_THROW(LOG_AT(Log::INF) << "into the removed file");
    EXPECT_FALSE(fs::exists(subfolder)) << "the sink must not recreate the folder";

    fs::create_directory(subfolder);
    int afterOversized = 1;
    for (; afterOversized < 1024 && !fs::exists(live); ++afterOversized) {
        LOG_AT(Log::INF) << "more " << std::string(4096, 'm');
    }
    LOG_AT(Log::INF) << "folder is back";
    ++afterOversized;
    const std::vector<std::string> lines = readLines(live);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines.back().find("folder is back"), std::string::npos);
    // Every record since the oversized one is either in the new file or counted in its ERR
    // (the oversized one too, when its own write already found the live file gone).
    const long inNewFile = static_cast<long>(lines.size()) - 1;
    EXPECT_NE(lines[0].find(" ERR "), std::string::npos) << lines[0];
    const std::size_t count = lines[0].find(" records written to a former live file");
    ASSERT_NE(count, std::string::npos) << lines[0];
    const long counted = std::stol(lines[0].substr(lines[0].rfind(' ', count - 1) + 1));
    EXPECT_GE(counted, afterOversized - inNewFile) << lines[0];
    EXPECT_LE(counted, afterOversized - inNewFile + 1) << lines[0];
    EXPECT_NE(lines[0].find(std::generic_category().message(ENOENT)), std::string::npos)
        << lines[0];

    expectLoggingWorksAgain();
}

// A folder that may be read but not written. Administrators are not bound by permissions, so
// this case is skipped when it runs with such rights; the test suite also runs it as an
// unprivileged user (run_unprivileged.sh).
TEST_F(LogFaultTest, UnwritableFolder) {
    const fs::path locked = file("locked");
    fs::create_directory(locked);
    const fs::path live = locked / "live.log";
    // A live file that may itself be written, in a folder where nothing can be created or
    // renamed.
    { std::ofstream(live) << "earlier\n"; }
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    {
        std::ofstream probe(locked / "probe");
        if (probe.is_open()) {
            probe.close();
            fs::remove(locked / "probe");
            GTEST_SKIP() << "running with rights that ignore the folder's permissions";
        }
    }

    // A new file cannot be created there: the sink stays disabled and creates nothing.
    RollingOutputToFile::open((locked / "new.log").wstring());
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    EXPECT_NO_THROW(LOG_AT(Log::INF) << "nowhere");
    EXPECT_FALSE(fs::exists(locked / "new.log"));
    RollingOutputToFile::close();

    // The existing live file is appended to; its rotation cannot move it aside, so it keeps
    // its lines and the sink goes on writing into it.
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    EXPECT_NO_THROW(LOG_AT(Log::INF) << oversizedMessage());
    EXPECT_FALSE(fs::exists(backup(live, 1)));
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    LOG_AT(Log::INF) << "after the failed rotation";
    RollingOutputToFile::close();
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "earlier");
    EXPECT_NE(lines[2].find("after the failed rotation"), std::string::npos);

    expectLoggingWorksAgain();
}

}  // namespace
