#include "scratch_folder.h"

#include "addon001/platform/remove_tree.h"
#include "addon001/platform/unique_folder.h"

namespace bench {
namespace {
class ScratchFolder {
public:
    ScratchFolder() { path_ = platform::makeUniqueFolder("addon-bench-"); }
    ~ScratchFolder() { platform::removeTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
}  // namespace

const std::filesystem::path& scratchFolder() {
    static const ScratchFolder folder;
    return folder.path();
}

std::filesystem::path scratchFile(const std::string& name) {
    return scratchFolder() / name;
}

}  // namespace bench
