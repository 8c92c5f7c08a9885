// The backup set alone, without a sink: a rotation's steps on the files of one folder, and the
// step that failed with the system's reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "addon001/platform/folder.h"
#include "backup_set.h"
#include "held_file.h"
#include "log_test_files.h"

namespace {

namespace fs = std::filesystem;
using Log::detail::BackupSet;
using Log::detail::RotationStep;

class BackupSetTest : public logtest::LogFolderTest {
protected:
    void SetUp() override {
        LogFolderTest::SetUp();
        ASSERT_FALSE(files.open(folder.wstring()));
    }

    // Each of `names` as a file holding its own name.
    void make(const std::vector<std::string>& names) {
        for (const std::string& name : names) test_support::writeFile(file(name), name);
    }

    // What each of "app.log", ".rotating" and ".1" to ".6" holds ("-" for none, "dir" for a
    // folder).
    std::vector<std::string> contents() {
        std::vector<std::string> found;
        for (const char* suffix : {"", ".rotating", ".1", ".2", ".3", ".4", ".5", ".6"}) {
            const fs::path name = file(std::string("app.log") + suffix);
            found.push_back(fs::is_directory(name) ? "dir"
                            : fs::exists(name)     ? logtest::readFile(name)
                                                   : "-");
        }
        return found;
    }

    platform::Folder files;
    const BackupSet set{files, L"app.log"};
};

TEST_F(BackupSetTest, RotationDropsTheOldestOrFillsAGap) {
    make({"app.log", "app.log.1", "app.log.2", "app.log.3", "app.log.4", "app.log.5", "app.log.6"});
    ASSERT_TRUE(set.rotate().ok());
    EXPECT_EQ(contents(), (std::vector<std::string>{"-", "-", "app.log", "app.log.1", "app.log.2",
                                                    "app.log.3", "app.log.4", "app.log.5"}));
    // A gap at 3 is filled; nothing is removed.
    fs::remove(file("app.log.3"));
    make({"app.log"});
    ASSERT_TRUE(set.rotate().ok());
    EXPECT_EQ(contents(), (std::vector<std::string>{"-", "-", "app.log", "app.log", "app.log.1",
                                                    "app.log.3", "app.log.4", "app.log.5"}));
}

// The first step that fails ends the rotation, names itself and the system's reason, and
// leaves the live file under its own name.
TEST_F(BackupSetTest, FailedStepIsNamedAndTheLiveFileKeepsItsName) {
    make({"app.log", "app.log.1", "app.log.2", "app.log.3", "app.log.4", "app.log.5"});
    fs::create_directories(file("app.log.6") / "occupied");
    const auto blocked = set.rotate();
    EXPECT_EQ(blocked.failedAt, RotationStep::removeOldest);
    EXPECT_TRUE(blocked.error);
    EXPECT_EQ(blocked.describe(),
              "backup 6 could not be removed (" + blocked.error.message() + ")");
    EXPECT_EQ(contents()[0], "app.log");

    // Backup 3 held against renames (another program's handle): the backups above it have
    // moved up, it has not, and the live file is back.
    fs::remove_all(file("app.log.6"));
    test_support::HeldFile hold(file("app.log.3"));
    if (!hold.held()) GTEST_SKIP() << "this system cannot hold a file against renames";
    const auto stuck = set.rotate();
    EXPECT_EQ(stuck.failedAt, RotationStep::shiftBackup);
    EXPECT_EQ(stuck.describe().rfind("backup 3 could not be renamed to backup 4 (", 0), 0u)
        << stuck.describe();
    EXPECT_EQ(contents(), (std::vector<std::string>{"app.log", "-", "app.log.1", "app.log.2",
                                                    "app.log.3", "-", "app.log.4", "app.log.5"}));
}

// A file left at ".rotating" by an interrupted rotation is placed into backup 1, or, when the
// backups cannot make room, gets the live name back if that is free.
TEST_F(BackupSetTest, RecoveryPlacesOrUndoesAnInterruptedRotation) {
    make({"app.log.rotating", "app.log.1"});
    ASSERT_TRUE(set.recover().ok());
    EXPECT_EQ(contents(), (std::vector<std::string>{"-", "-", "app.log.rotating", "app.log.1", "-",
                                                    "-", "-", "-"}));

    fs::remove(file("app.log.1"));
    fs::remove(file("app.log.2"));
    make({"app.log.rotating", "app.log.1", "app.log.2", "app.log.3", "app.log.4", "app.log.5"});
    fs::create_directories(file("app.log.6") / "occupied");
    ASSERT_TRUE(set.recover().ok());
    EXPECT_EQ(contents()[0], "app.log.rotating");
    // With the live name taken as well, the moved file stays, and the recovery says why.
    fs::rename(file("app.log"), file("app.log.rotating"));
    make({"app.log"});
    EXPECT_EQ(set.recover().failedAt, RotationStep::removeOldest);
    EXPECT_EQ(contents()[1], "app.log.rotating");
}

}  // namespace
