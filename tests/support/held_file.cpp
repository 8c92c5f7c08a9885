#include "held_file.h"

#include <system_error>

#include "program_run.h"

namespace test_support {

namespace {
// Whether the file's name can still be moved: tried by moving it away and back.
bool movable(const std::filesystem::path& file) {
    const std::filesystem::path probe = file.string() + ".move-probe";
    std::error_code error;
    std::filesystem::rename(file, probe, error);
    if (error) return false;
    std::filesystem::rename(probe, file, error);
    return true;
}

// The system's mount command, where there is one.
const char* const mountCommand = "/bin/mount";
const char* const unmountCommand = "/bin/umount";
}  // namespace

HeldFile::HeldFile(const std::filesystem::path& file) : file_(file), stream_(file) {
    if (!movable(file_)) {
        held_ = true;
        return;
    }
    const std::string name = file_.string();
    mounted_ = std::filesystem::exists(mountCommand) &&
               runProgram(mountCommand, {"--bind", name, name}).exitCode == 0;
    held_ = !movable(file_);
}

HeldFile::~HeldFile() {
    release();
}

void HeldFile::release() {
    // Detached at once even while the file is open through the mount (as the log sink has
    // it); the name then leads to the same file again.
    if (mounted_) runProgram(unmountCommand, {"--lazy", file_.string()});
    mounted_ = false;
    stream_.close();
    held_ = false;
}

}  // namespace test_support
