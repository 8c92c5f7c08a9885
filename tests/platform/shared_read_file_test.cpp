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

// The path in the system's own bytes, as the reader passes it.
std::string wide(const fs::path& path) {
    return path.string();
}

SharedReadFile opened(const std::string& path) {
    SharedReadFile file;
    const std::error_code error = file.open(path);
    EXPECT_FALSE(error) << path << ": " << error.message();
    return file;
}

std::string readAll(SharedReadFile& file) {
    std::string content;
    char buffer[5];  // small, so that reads stop in the middle
    std::size_t got = 0;
    while (!file.read(buffer, sizeof buffer, got) && got > 0) content.append(buffer, got);
    return content;
}

std::uint64_t sizeOf(const SharedReadFile& file) {
    std::uint64_t size = 0;
    EXPECT_FALSE(file.size(size));
    return size;
}

TEST(SharedReadFile, ReadsWhatAWriterAddsAfterItWasOpened) {
    const fs::path file = test_support::scratchFolder("shared-growing") / "file.txt";
    std::ofstream writer(file, std::ios::binary);
    writer << "first\n" << std::flush;
    SharedReadFile reader = opened(wide(file));
    EXPECT_EQ(readAll(reader), "first\n");
    std::size_t got = 1;
    EXPECT_FALSE(reader.read(nullptr, 0, got));
    EXPECT_EQ(got, 0u);
    writer << "second\n" << std::flush;
    EXPECT_EQ(sizeOf(reader), 13u);
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
    SharedReadFile held = opened(wide(folder / "live"));
    const platform::FileIdentity identity = held.identity();
    EXPECT_NE(opened(wide(folder / "other")).identity(), identity);

    platform::Folder files;
    ASSERT_FALSE(files.open(platform::widenPath(folder.string())));
    ASSERT_FALSE(files.rename(L"live", L"live.1"));
    EXPECT_EQ(opened(wide(folder / "live.1")).identity(), identity);
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

    SharedReadFile unopened;
    EXPECT_EQ(unopened.open(wide(folder / "missing")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(unopened.open(wide(folder)), std::errc::is_a_directory);
    EXPECT_FALSE(unopened.isOpen());
    // The system's reason, without the path.
    const std::string reason = unopened.open(wide(folder / "missing")).message();
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find("missing"), std::string::npos) << reason;
}

// A name that is no UTF-8 (Latin-1 "caf\xe9") is found by its bytes as given.
TEST(SharedReadFile, TakesPathsInTheSystemsOwnBytes) {
    const std::string name = wide(test_support::scratchFolder("shared-bytes")) + "/caf\xe9.log";
    std::ofstream(name, std::ios::binary) << "latin";
    EXPECT_EQ(platform::pathStatus(name).kind, PathStatus::Kind::file);
    SharedReadFile file = opened(name);
    EXPECT_EQ(readAll(file), "latin");
}

TEST(SharedReadFile, MovesLikeAHandle) {
    const fs::path file = test_support::scratchFolder("shared-move") / "file";
    test_support::writeFile(file, "moved");
    SharedReadFile first = opened(wide(file));
    SharedReadFile second(std::move(first));
    EXPECT_FALSE(first.isOpen());
    EXPECT_EQ(readAll(second), "moved");
    SharedReadFile third;
    third = std::move(second);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(third.position(), 5u);
}

}  // namespace
