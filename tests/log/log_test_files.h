#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/remove_tree.h"
#include "scratch_folder.h"

namespace logtest {

namespace fs = std::filesystem;

// A fresh folder per test for the log file and its backups; the sink is closed and the folder
// removed afterwards, so every test starts from a closed sink.
class LogFolderTest : public testing::Test {
protected:
    void SetUp() override {
        folder = test_support::scratchFolder(
            std::string("log-") + testing::UnitTest::GetInstance()->current_test_info()->name());
        Log::RollingOutputToFile::close();
    }

    void TearDown() override {
        Log::RollingOutputToFile::close();
        platform::removeTree(folder);
    }

    fs::path file(const std::string& name) const { return folder / name; }
    static fs::path backup(const fs::path& live, int number) {
        return fs::path(live.native() + fs::path("." + std::to_string(number)).native());
    }

    fs::path folder;
};

// The file's bytes as stored.
using test_support::readFile;

// The first `count` bytes of the file as stored (fewer when it is shorter).
inline std::string readPrefix(const fs::path& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The file's lines as text (line ends of the platform removed).
inline std::vector<std::string> readLines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The file's lines as stored, split at each newline, a carriage return before it removed; and
// whether the last line ended with its line end.
struct StoredLines {
    std::vector<std::string> lines;
    bool endsWithLineEnd = true;
};

inline StoredLines readStoredLines(const fs::path& file) {
    const std::string bytes = readFile(file);
    StoredLines stored;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            stored.lines.push_back(bytes.substr(start));
            stored.endsWithLineEnd = false;
            break;
        }
        std::size_t length = end - start;
        if (length > 0 && bytes[end - 1] == '\r') --length;
        stored.lines.push_back(bytes.substr(start, length));
        start = end + 1;
    }
    return stored;
}

}  // namespace logtest
