#include "scratch_folder.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "addon001/platform/remove_tree.h"
#include "addon001/platform/unique_folder.h"

namespace test_support {

namespace {
// This run's folder of scratch folders, made on first use and removed at exit.
class RunFolder {
public:
    RunFolder() { path_ = platform::makeUniqueFolder("addon001-tests-"); }
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
