#include "scratch_folder.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "addon001/platform/remove_tree.h"

namespace test_support {

namespace {
// This run's folder of scratch folders, made on first use and removed at exit.
class RunFolder {
public:
    RunFolder() {
        // Made atomically under a name no other run holds: a name taken by a test program
        // running beside this one (or by an earlier run that crashed) is skipped. The C++
        // library's random_device may be a fixed sequence, so the clock makes the names differ.
        const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (long attempt = 0;; ++attempt) {
            path_ =
                base / ("addon001-tests-" + std::to_string(start) + "-" + std::to_string(attempt));
            if (std::filesystem::create_directory(path_)) break;
        }
    }
    ~RunFolder() { platform::removeTree(path_); }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
}  // namespace

std::filesystem::path scratchFolder(const std::string& name) {
    static const RunFolder run;
    const std::filesystem::path folder = run.path() / name;
    if (!platform::removeTree(folder)) {
        throw std::runtime_error("cannot empty the scratch folder " + folder.string());
    }
    std::filesystem::create_directories(folder);
    return folder;
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace test_support
