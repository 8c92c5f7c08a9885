#include "addon001/platform/unique_folder.h"

#include <chrono>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "addon001/platform/process_control.h"

namespace platform {

std::filesystem::path makeUniqueFolder(const std::string& prefix) {
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (error) throw std::runtime_error("no temporary folder: " + error.message());
    const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::ostringstream name;
        name << prefix << std::hex << currentProcessId() << '-' << start << '-' << attempt;
        const std::filesystem::path folder = temporary / name.str();
        if (std::filesystem::create_directory(folder, error)) return folder;
        // Taken: the next name. Any other failure would fail for every name.
        if (error) break;
    }
    throw std::runtime_error("cannot make a folder in " + temporary.string() +
                             (error ? ": " + error.message() : std::string()));
}

}  // namespace platform
