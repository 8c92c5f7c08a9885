// The log file when the file system fails it: a full device, its folder removed while the file
// is open, a folder without write permission. The sink reports nothing and never throws; a
// failed stream disables logging until close and open, and then logging works again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "addon001/log/log_statement.h"
#include "drive_catalogue.h"
#include "failing_allocation.h"
#include "log_test_files.h"

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

// Every write fails once the buffer is flushed: the first line disables the sink, and no
// rotation is ever tried (the failed stream has no position). The device is reached through a
// link in the test's folder, so that even a rotation would only move the link.
TEST_F(LogFaultTest, FullDeviceDisablesTheSinkWithoutErrors) {
    const fs::path device = "/dev/full";
    if (!fs::exists(device)) GTEST_SKIP() << "this system has no " << device;
    const fs::path live = file("full.log");
    fs::create_symlink(device, live);

    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled()) << "the full device opens like any file";
    EXPECT_NO_THROW(LOG_AT(Log::ERR) << "lost on a full device");
    EXPECT_FALSE(RollingOutputToFile::isEnabled());

    // Further statements stop at the guard; a line past the limit does not rotate either.
    int evaluated = 0;
    LOG_AT(Log::ERR) << ++evaluated;
    EXPECT_EQ(evaluated, 0);
    EXPECT_NO_THROW(RollingOutputToFile::write(oversizedMessage() + "\n"));
    EXPECT_TRUE(fs::is_symlink(live));
    EXPECT_FALSE(fs::exists(backup(live, 1)));

    // The failure path of the drive catalogue on a full device: still the failure text.
    addon::DriveInfoSlots slots = addon::makeDriveInfoSlots();
    addon::setDriveType(slots, std::string(100, 'X'));
    RollingOutputToFile::close();
    RollingOutputToFile::open(live.wstring());
    bool failureText = false;
    try {
        failing_allocation::Scope failing(1);
        addon::setDriveInfoString(slots);
    } catch (const char* text) {
        failureText = std::string(text) == "CString setDriveInfoString() failed";
    }
    EXPECT_TRUE(failureText);
    EXPECT_FALSE(RollingOutputToFile::isEnabled());

    expectLoggingWorksAgain();
}

// Removing the folder leaves the open file writable (its lines go to the unlinked file), but
// the rotation cannot reopen the live file: the sink ends disabled, quietly.
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

    EXPECT_NO_THROW(LOG_AT(Log::INF) << "into the removed file");
    EXPECT_TRUE(RollingOutputToFile::isEnabled());
    // Past the limit: the rotation's renames and its reopen all fail.
    EXPECT_NO_THROW(LOG_AT(Log::INF) << oversizedMessage());
    EXPECT_FALSE(RollingOutputToFile::isEnabled());
    EXPECT_NO_THROW(LOG_AT(Log::INF) << "skipped at the guard");
    EXPECT_FALSE(fs::exists(subfolder)) << "the sink must not recreate the folder";

    // The same path works again once its folder exists and the sink is reopened.
    fs::create_directory(subfolder);
    RollingOutputToFile::close();
    RollingOutputToFile::open(live.wstring());
    ASSERT_TRUE(RollingOutputToFile::isEnabled());
    LOG_AT(Log::INF) << "folder is back";
    const std::vector<std::string> lines = readLines(live);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("folder is back"), std::string::npos);

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
