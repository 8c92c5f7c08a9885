// Files opened for shared reading: others go on writing, renaming and removing them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "addon001/platform/folder.h"
#include "addon001/platform/shared_read_file.h"
#include "addon001/platform/wide_path_file.h"
#include "scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::PathStatus;
using platform::SharedReadFile;

std::wstring wide(const fs::path& path) {
    return platform::widenPath(path.string());
}

std::string readAll(SharedReadFile& file) {
    std::string content;
    char buffer[5];  // small, so that reads stop in the middle
    for (std::size_t got; (got = file.read(buffer, sizeof buffer)) > 0;)
        content.append(buffer, got);
    return content;
}

TEST(SharedReadFile, ReadsWhatAWriterAddsAfterItWasOpened) {
    const fs::path file = test_support::scratchFolder("shared-growing") / "file.txt";
    std::ofstream writer(file, std::ios::binary);
    writer << "first\n" << std::flush;
    SharedReadFile reader(wide(file));
    EXPECT_EQ(readAll(reader), "first\n");
    EXPECT_EQ(reader.read(nullptr, 0), 0u);
    writer << "second\n" << std::flush;
    EXPECT_EQ(reader.size(), 13u);
    EXPECT_EQ(readAll(reader), "second\n");
    EXPECT_EQ(reader.position(), 13u);
    reader.seek(2);
    EXPECT_EQ(readAll(reader), "rst\nsecond\n");
}

// The identity is what the log reader follows a rotated file by.
TEST(SharedReadFile, TheFileCanBeRenamedAndRemovedWhileOpenAndKeepsItsIdentity) {
    const fs::path folder = test_support::scratchFolder("shared-rename");
    test_support::writeFile(folder / "live", "live content\n");
    test_support::writeFile(folder / "other", "other\n");
    SharedReadFile held(wide(folder / "live"));
    const platform::FileIdentity identity = held.identity();
    EXPECT_NE(SharedReadFile(wide(folder / "other")).identity(), identity);

    platform::Folder files;
    ASSERT_FALSE(files.open(wide(folder)));
    ASSERT_FALSE(files.rename(L"live", L"live.1"));
    EXPECT_EQ(SharedReadFile(wide(folder / "live.1")).identity(), identity);
    EXPECT_EQ(readAll(held), "live content\n");

    ASSERT_FALSE(files.remove(L"live.1"));
    held.seek(0);
    EXPECT_EQ(readAll(held), "live content\n");
    // Where a removed name may linger while the file is open, it is gone once it is closed.
    if (!platform::removedFileKeepsNameWhileOpen) {
        EXPECT_EQ(platform::pathStatus(wide(folder / "live.1")).kind, PathStatus::Kind::missing);
    }
    held.close();
    EXPECT_FALSE(held.isOpen());
    EXPECT_EQ(platform::pathStatus(wide(folder / "live.1")).kind, PathStatus::Kind::missing);
}

TEST(SharedReadFile, TellsWhatAPathNamesAndWhyAFileCannotBeOpened) {
    const fs::path folder = test_support::scratchFolder("shared-status");
    test_support::writeFile(folder / "file", "12345");
    const PathStatus file = platform::pathStatus(wide(folder / "file"));
    EXPECT_EQ(file.kind, PathStatus::Kind::file);
    EXPECT_EQ(file.size, 5u);
    EXPECT_EQ(platform::pathStatus(wide(folder)).kind, PathStatus::Kind::folder);
    EXPECT_EQ(platform::pathStatus(wide(folder / "missing")).kind, PathStatus::Kind::missing);
    EXPECT_EQ(platform::pathStatus(wide(folder / "file" / "below a file")).kind,
              PathStatus::Kind::missing);

    for (const fs::path& unopenable : {folder / "missing", folder}) {
        try {
            SharedReadFile opened(wide(unopenable));
            ADD_FAILURE() << unopenable << " opened";
        } catch (const platform::FileError& error) {
            // The system's reason, without the path.
            EXPECT_FALSE(std::string(error.what()).empty());
            EXPECT_EQ(std::string(error.what()).find(unopenable.filename().string()),
                      std::string::npos)
                << error.what();
        }
    }
}

TEST(SharedReadFile, MovesLikeAHandle) {
    const fs::path file = test_support::scratchFolder("shared-move") / "file";
    test_support::writeFile(file, "moved");
    SharedReadFile first(wide(file));
    SharedReadFile second(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(readAll(second), "moved");
    SharedReadFile third;
    third = std::move(second);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(third.position(), 5u);
}

}  // namespace
