#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "addon001/platform/remove_tree.h"
#include "held_file.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& file) {
    std::ofstream(file) << "content\n";
}

TEST(RemoveTreeTest, RemovesNestedFoldersAndTakesAMissingPathAsRemoved) {
    const fs::path root = test_support::scratchFolder("remove-tree-nested") / "tree";
    fs::create_directories(root / "a" / "b" / "c");
    fs::create_directories(root / "empty");
    writeFile(root / "top.txt");
    writeFile(root / "a" / "b" / "c" / "deep.txt");
    EXPECT_TRUE(platform::removeTree(root));
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(platform::removeTree(root));  // already gone
    const fs::path single = root.parent_path() / "single.txt";
    writeFile(single);
    EXPECT_TRUE(platform::removeTree(single));
    EXPECT_FALSE(fs::exists(single));
}

// A file that another handle holds for a moment (as a child process's handles close a moment
// after it is seen to end) is removed once it is let go; one held for good makes the removal
// give up instead of looping.
TEST(RemoveTreeTest, WaitsForAFileLetGoAndGivesUpOnOneHeldForGood) {
    const fs::path root = test_support::scratchFolder("remove-tree-held") / "tree";
    fs::create_directories(root / "inner");
    const fs::path file = root / "inner" / "held.txt";
    writeFile(file);
    {
        test_support::HeldFile held(file);
        if (!held.held()) GTEST_SKIP() << "this system cannot hold a file against removal";
        std::thread release([&held] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            held.release();
        });
        const bool removed = platform::removeTree(root);
        release.join();
        EXPECT_TRUE(removed);
        EXPECT_FALSE(fs::exists(root));
    }
    fs::create_directories(root);
    writeFile(root / "held.txt");
    writeFile(root / "free.txt");
    test_support::HeldFile held(root / "held.txt");
    EXPECT_FALSE(platform::removeTree(root));
    EXPECT_TRUE(fs::exists(root / "held.txt"));
    EXPECT_FALSE(fs::exists(root / "free.txt"));
}

}  // namespace
