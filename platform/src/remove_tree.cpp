#include "addon001/platform/remove_tree.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace platform {

namespace fs = std::filesystem;

namespace {

// One pass over the tree, depth first; entries that are already gone count as removed.
bool removeOnce(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) return true;
    if (error) return false;
    if (status.type() == fs::file_type::directory) {
        for (fs::directory_iterator entry(path, error), end; !error && entry != end;
             entry.increment(error)) {
            removeOnce(entry->path());
        }
    }
    fs::remove(path, error);
    return !error || error == std::errc::no_such_file_or_directory;
}

}  // namespace

bool removeTree(const fs::path& path) noexcept {
    try {
        // About two seconds in all, far more than a closing handle takes.
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (removeOnce(path)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } catch (...) {
        // Out of memory for a path: the tree stays, which the caller learns from the result.
    }
    return false;
}

}  // namespace platform
