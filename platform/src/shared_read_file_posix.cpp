#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "addon001/platform/shared_read_file.h"
#include "addon001/platform/system_error.h"

namespace platform {

PathStatus pathStatus(const std::string& path) {
    PathStatus status;
    struct stat information {};
    if (stat(path.c_str(), &information) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return status;
        status.kind = PathStatus::Kind::unusable;
        status.problem = systemMessage(errno);
        return status;
    }
    if (S_ISDIR(information.st_mode)) {
        status.kind = PathStatus::Kind::folder;
    } else if (S_ISREG(information.st_mode)) {
        status.kind = PathStatus::Kind::file;
        status.size = static_cast<std::uint64_t>(information.st_size);
    } else {
        status.kind = PathStatus::Kind::other;
    }
    return status;
}

std::error_code SharedReadFile::open(const std::string& path) {
    close();
    // O_NONBLOCK: a pipe given by mistake must not stall the open; a regular file ignores it.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return lastSystemError();
    handle_ = descriptor;
    position_ = 0;
    struct stat information {};
    if (fstat(descriptor, &information) != 0) {
        const std::error_code error = lastSystemError();
        close();
        return error;
    }
    if (!S_ISREG(information.st_mode)) {
        close();
        // A device, a pipe or a socket has no code of its own: "No such device or address".
        return systemError(S_ISDIR(information.st_mode) ? EISDIR : ENXIO);
    }
    identity_.volume = static_cast<std::uint64_t>(information.st_dev);
    identity_.index = static_cast<std::uint64_t>(information.st_ino);
    return {};
}

std::error_code SharedReadFile::read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t read =
            ::pread(static_cast<int>(handle_), buffer, size, static_cast<off_t>(position_));
        if (read >= 0) {
            got = static_cast<std::size_t>(read);
            position_ += got;
            return {};
        }
        if (errno != EINTR) return lastSystemError();
    }
}

std::error_code SharedReadFile::size(std::uint64_t& bytes) const {
    struct stat information {};
    if (fstat(static_cast<int>(handle_), &information) != 0) return lastSystemError();
    bytes = static_cast<std::uint64_t>(information.st_size);
    return {};
}

void SharedReadFile::close() {
    if (isOpen()) ::close(static_cast<int>(handle_));
    handle_ = invalidHandle;
}

}  // namespace platform
