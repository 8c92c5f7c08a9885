// The advisory lock that log rotations of several processes share, and the identity of what a
// path names.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "addon001/platform/file_lock.h"
#include "addon001/platform/wide_path_file.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

std::wstring wide(const fs::path& path) {
    return platform::widenPath(path.string());
}

TEST(PathIdentity, FollowsTheFileThroughARenameAndTellsFilesApart) {
    const fs::path folder = test_support::scratchFolder("path-identity");
    const fs::path first = folder / "first.log";
    const fs::path second = folder / "second.log";
    std::ofstream(first) << "one\n";
    std::ofstream(second) << "two\n";
    const auto identity = platform::pathIdentity(wide(first));
    ASSERT_TRUE(identity.has_value());
    EXPECT_NE(platform::pathIdentity(wide(second)), identity);

    // Renamed away: the old name names nothing, the new one the same file; a file created
    // under the old name is another file.
    fs::rename(first, folder / "first.log.1");
    EXPECT_FALSE(platform::pathIdentity(wide(first)).has_value());
    EXPECT_EQ(platform::pathIdentity(wide(folder / "first.log.1")), identity);
    std::ofstream(first) << "new\n";
    EXPECT_NE(platform::pathIdentity(wide(first)), identity);
    fs::remove_all(folder);
}

TEST(FileLock, SecondHolderWaitsUntilTheFirstLetsGo) {
    const fs::path folder = test_support::scratchFolder("file-lock");
    const std::wstring path = wide(folder / "live.log.lock");
    platform::FileLock first;
    platform::FileLock second;
    EXPECT_FALSE(first.open(path, false)) << "opened a lock file that does not exist";
    ASSERT_TRUE(first.open(path, true));
    ASSERT_TRUE(second.open(path, false));
    EXPECT_FALSE(first.open(path, true)) << "an open lock took another file";
    ASSERT_TRUE(first.lock());

    std::atomic<bool> taken{false};
    std::thread waiter([&] {
        if (second.lock()) taken = true;
    });
    // Not a measure of speed: the waiter has had ample time to take a lock that is free.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(taken) << "two holders at once";
    first.unlock();
    waiter.join();
    EXPECT_TRUE(taken);
    second.unlock();
    // Closing lets a lock go as well.
    ASSERT_TRUE(second.lock());
    second.close();
    EXPECT_TRUE(first.lock());
    first.close();
    EXPECT_FALSE(first.lock()) << "a closed lock claimed to hold";
    fs::remove_all(folder);
}

}  // namespace
