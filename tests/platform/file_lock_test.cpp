// The files of a log set as the platform layer hands them out: a folder whose files are named
// relative to it, the append-only file, the advisory lock that rotations of several processes
// share, and the identity of what a path names; none of them goes through a link, and every
// failure is the system's own code and text.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "addon001/platform/append_file.h"
#include "addon001/platform/file_lock.h"
#include "addon001/platform/folder.h"
#include "addon001/platform/system_error.h"
#include "addon001/platform/wide_path_file.h"
#include "scratch_folder.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::FileRefusal;
using test_support::readFile;

std::wstring wide(const fs::path& path) {
    return platform::widenPath(path.string());
}

class SetFilesTest : public testing::Test {
protected:
    void SetUp() override {
        path = test_support::scratchFolder(
            std::string("set-files-") +
            testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_FALSE(folder.open(wide(path)));
    }
    void TearDown() override {
        folder.close();
        fs::remove_all(path);
    }

    fs::path path;
    platform::Folder folder;
};

TEST_F(SetFilesTest, PathIdentityFollowsTheFileThroughARenameAndTellsFilesApart) {
    std::ofstream(path / "first.log") << "one\n";
    std::ofstream(path / "second.log") << "two\n";
    const auto identity = platform::pathIdentity(wide(path / "first.log"));
    ASSERT_TRUE(identity.has_value());
    EXPECT_NE(platform::pathIdentity(wide(path / "second.log")), identity);
    EXPECT_EQ(folder.status(L"first.log").identity, *identity);

    // Renamed away: the old name names nothing, the new one the same file; a file created
    // under the old name is another file.
    ASSERT_FALSE(folder.rename(L"first.log", L"first.log.1"));
    EXPECT_FALSE(platform::pathIdentity(wide(path / "first.log")).has_value());
    EXPECT_EQ(folder.status(L"first.log").kind, platform::EntryStatus::Kind::missing);
    EXPECT_EQ(platform::pathIdentity(wide(path / "first.log.1")), identity);
    std::ofstream(path / "first.log") << "new\n";
    EXPECT_NE(platform::pathIdentity(wide(path / "first.log")), identity);
}

// Renames never replace, removals never take a folder: a backup that could not move on keeps
// its lines. Failures carry the system's code, comparable with the portable conditions.
TEST_F(SetFilesTest, RenameNeverReplacesAndRemoveNeverTakesAFolder) {
    test_support::writeFile(path / "a", "a\n");
    test_support::writeFile(path / "b", "b\n");
    fs::create_directory(path / "sub");
    EXPECT_EQ(folder.rename(L"a", L"b"), std::errc::file_exists);
    EXPECT_EQ(readFile(path / "b"), "b\n");
    EXPECT_TRUE(folder.remove(L"sub"));
    EXPECT_TRUE(fs::is_directory(path / "sub"));
    const std::error_code missing = folder.remove(L"none");
    EXPECT_EQ(missing, std::errc::no_such_file_or_directory);
    EXPECT_EQ(&missing.category(), &platform::systemCategory());
    EXPECT_FALSE(missing.message().empty());
    EXPECT_EQ(folder.status(L"sub").kind, platform::EntryStatus::Kind::folder);
}

// The file grows only at its end; what was written is counted as stored (each newline two
// bytes on Windows), and the size asked of the system includes other writers' lines.
TEST_F(SetFilesTest, AppendFileCountsWhatItStoresAndSeesOtherWriters) {
    platform::AppendFile file;
    ASSERT_FALSE(file.open(folder, L"live.log", platform::OpenMode::append));
    EXPECT_EQ(file.open(folder, L"other.log", platform::OpenMode::append), std::errc::file_exists);
    std::uint64_t stored = 0;
    ASSERT_FALSE(file.write("one\ntwo\n", stored));
    EXPECT_EQ(stored, fs::file_size(path / "live.log"));
    EXPECT_EQ(file.lastByte(), '\n');
    std::ofstream(path / "live.log", std::ios::app | std::ios::binary) << "other";
    platform::FileIdentity identity;
    std::uint64_t size = 0;
    ASSERT_FALSE(file.status(identity, size));
    EXPECT_EQ(size, stored + 5);
    EXPECT_EQ(identity, folder.status(L"live.log").identity);
    EXPECT_EQ(file.lastByte(), 'r');

    platform::AppendFile emptied;
    ASSERT_FALSE(emptied.open(folder, L"live.log", platform::OpenMode::truncate));
    EXPECT_EQ(fs::file_size(path / "live.log"), 0u);
    EXPECT_FALSE(emptied.lastByte().has_value());
}

// A link in a file's place is refused, whether it points to a file or nowhere: the file it
// points to is neither written nor emptied, and nothing is created where a dangling one points.
// A folder is refused too, and a pipe, without waiting for a reader.
TEST_F(SetFilesTest, NoFileIsOpenedThroughALinkNorAPipe) {
    const fs::path victim = path / "victim";
    std::ofstream(victim) << "someone else's\n";
    std::error_code error;
    fs::create_symlink(victim, path / "live.log", error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
    fs::create_symlink(path / "nowhere", path / "dangling.lock");
    fs::create_directory(path / "folder.log");

    platform::AppendFile file;
    EXPECT_EQ(file.open(folder, L"live.log", platform::OpenMode::truncate),
              make_error_code(FileRefusal::linkInPlace));
    EXPECT_TRUE(file.open(folder, L"folder.log", platform::OpenMode::append));
    EXPECT_FALSE(file.isOpen());
    platform::FileLock lock;
    EXPECT_EQ(lock.open(folder, L"dangling.lock", 0600), make_error_code(FileRefusal::linkInPlace));
    EXPECT_EQ(readFile(victim), "someone else's\n");
    EXPECT_FALSE(fs::exists(path / "nowhere"));
    EXPECT_EQ(folder.status(L"live.log").kind, platform::EntryStatus::Kind::link);
    EXPECT_EQ(make_error_code(FileRefusal::linkInPlace).message(),
              "a symbolic link has taken the file's name");

#if !defined(_WIN32)
    ASSERT_EQ(mkfifo((path / "pipe.log").c_str(), 0600), 0);
    EXPECT_EQ(file.open(folder, L"pipe.log", platform::OpenMode::append),
              make_error_code(FileRefusal::notAFile));
#endif
}

TEST_F(SetFilesTest, LockIsHeldByOneHolderAtATimeAndNobodyWaitsForItLongerThanAsked) {
    platform::FileLock first;
    platform::FileLock second;
    ASSERT_FALSE(first.open(folder, L"live.log.lock", 0600));
    ASSERT_FALSE(second.open(folder, L"live.log.lock", 0600));
    EXPECT_EQ(first.open(folder, L"other.lock", 0600), std::errc::file_exists);
    ASSERT_FALSE(first.lock(0ms));
    // Refused after its time, however long the first holds on.
    EXPECT_EQ(second.lock(30ms), std::errc::resource_unavailable_try_again);
    first.unlock();
    EXPECT_FALSE(second.lock(0ms));
    // Closing lets a lock go as well; a closed lock holds nothing.
    second.close();
    EXPECT_FALSE(first.lock(0ms));
    first.close();
    EXPECT_TRUE(first.lock(0ms));
}

#if defined(_WIN32)
// The system's own words, with the code, and the portable condition of the code.
TEST(SystemError, WindowsCodesKeepTheSystemsTextAndCondition) {
    const std::error_code denied = platform::systemError(5);  // ERROR_ACCESS_DENIED
    EXPECT_NE(denied.message().find("(error 5)"), std::string::npos) << denied.message();
    EXPECT_NE(denied.message(), "system error (error 5)");
    EXPECT_EQ(denied, std::errc::permission_denied);
    EXPECT_EQ(platform::systemError(2), std::errc::no_such_file_or_directory);
    EXPECT_EQ(platform::systemError(112), std::errc::no_space_on_device);
}
#else
TEST_F(SetFilesTest, LockFileIsNarrowedToThoseWhoMayWriteAndAFolderLockStandsIn) {
    std::ofstream(path / "wide.lock").close();
    fs::permissions(path / "wide.lock", fs::perms(0644));
    platform::FileLock lock;
    ASSERT_FALSE(lock.open(folder, L"wide.lock", 0660));
    EXPECT_EQ(fs::status(path / "wide.lock").permissions() & fs::perms::all, fs::perms(0640));
    ASSERT_FALSE(folder.lock(0ms));
    platform::Folder again;
    ASSERT_FALSE(again.open(wide(path)));
    EXPECT_EQ(again.lock(20ms), std::errc::resource_unavailable_try_again);
    folder.unlock();
    EXPECT_FALSE(again.lock(0ms));
}
#endif

}  // namespace
