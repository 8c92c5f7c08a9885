#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "addon001/platform/file_lock.h"
#include "addon001/platform/system_error.h"
#include "narrow_path.h"

namespace platform {

std::optional<FileIdentity> pathIdentity(const std::wstring& path) {
    struct stat status {};
    if (lstat(detail::narrowPath(path).c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                        static_cast<std::uint64_t>(status.st_ino)};
}

FileLock::~FileLock() {
    close();
}

std::error_code FileLock::open(const Folder& folder, const std::wstring& name,
                               unsigned permissions) {
    if (isOpen()) return std::make_error_code(std::errc::file_exists);
    const int at = static_cast<int>(folder.handle());
    const std::string narrow = detail::narrowPath(name);
    const int descriptor = ::openat(
        at, narrow.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
        static_cast<mode_t>(permissions));
    if (descriptor < 0) {
        struct stat status {};
        if (errno == ELOOP && fstatat(at, narrow.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(status.st_mode)) {
            return FileRefusal::linkInPlace;
        }
        return lastSystemError();
    }
    struct stat status {};
    if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return FileRefusal::notAFile;
    }
    // A lock file of ours that others may read (made by an older version, or under another
    // umask) is narrowed, so that they cannot open it to hold the lock.
    const auto mode = static_cast<unsigned>(status.st_mode) & 0777u;
    if (status.st_uid == geteuid() && (mode & ~permissions) != 0) {
        static_cast<void>(fchmod(descriptor, static_cast<mode_t>(mode & permissions)));
    }
    handle_ = descriptor;
    return {};
}

void FileLock::close() noexcept {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = closed;
}

std::error_code FileLock::lock(std::chrono::milliseconds limit) noexcept {
    if (!isOpen()) return std::make_error_code(std::errc::bad_file_descriptor);
    // flock, not fcntl: its lock belongs to the open file, so two sinks in one process (two
    // modules) exclude each other too, and closing some other descriptor of the file keeps it.
    const int descriptor = static_cast<int>(handle_);
    return retryFor(limit, [descriptor]() -> std::error_code {
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) return {};
        if (errno == EWOULDBLOCK || errno == EINTR) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return lastSystemError();
    });
}

void FileLock::unlock() noexcept {
    if (isOpen()) flock(static_cast<int>(handle_), LOCK_UN);
}

}  // namespace platform
