#include "built_files.h"

#include <fstream>
#include <sstream>

#include "module_loader.h"

namespace test_support {

std::filesystem::path builtModule(const std::string& baseName) {
    return platform::programDirectory() / (baseName + platform::moduleSuffix());
}

std::filesystem::path builtProgram(const std::string& baseName) {
    // Programs carry the same ending as the test executable that runs them.
    const std::string extension = platform::moduleSuffix() == ".dll" ? ".exe" : "";
    return platform::programDirectory() / (baseName + extension);
}

std::filesystem::path scratchFolder(const std::string& name) {
    const std::filesystem::path folder = platform::programDirectory() / "scratch" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    std::ostringstream content;
    content << stream.rdbuf();
    return content.str();
}

}  // namespace test_support
