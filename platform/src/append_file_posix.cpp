#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "addon001/platform/append_file.h"
#include "addon001/platform/system_error.h"
#include "narrow_path.h"

namespace platform {

namespace {
// Why a name that O_NOFOLLOW refused could not be opened: a link in its place is the usual
// reason, told in this layer's words rather than as "Too many levels of symbolic links".
std::error_code refusedName(int folder, const std::string& name) {
    const std::error_code error = lastSystemError();
    struct stat status {};
    if (error == std::errc::too_many_symbolic_link_levels &&
        fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
        return FileRefusal::linkInPlace;
    }
    return error;
}
}  // namespace

AppendFile::~AppendFile() {
    close();
}

std::error_code AppendFile::open(const Folder& folder, const std::wstring& name, OpenMode mode) {
    if (isOpen()) return std::make_error_code(std::errc::file_exists);
    const int at = static_cast<int>(folder.handle());
    const std::string narrow = detail::narrowPath(name);
    // Never through a link; non-blocking, so that a pipe put in the file's place can hold up
    // neither the open nor a write. Read access too, for the last byte, where it is granted.
    // Truncated only after the checks, so that nothing but our regular file is ever emptied.
    const int flags = O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int descriptor = ::openat(at, narrow.c_str(), O_RDWR | flags, 0666);
    if (descriptor < 0 && errno == EACCES)
        descriptor = ::openat(at, narrow.c_str(), O_WRONLY | flags, 0666);
    if (descriptor < 0) return refusedName(at, narrow);
    // A pipe or a socket would hand the records to whoever reads it; devices (which only an
    // administrator can put there) are written as files are.
    struct stat status {};
    std::error_code error;
    if (fstat(descriptor, &status) != 0) {
        error = lastSystemError();
    } else if (S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || S_ISDIR(status.st_mode)) {
        error = FileRefusal::notAFile;
    }
    if (error) {
        ::close(descriptor);
        return error;
    }
    if (mode == OpenMode::truncate && S_ISREG(status.st_mode) && ftruncate(descriptor, 0) != 0) {
        const std::error_code error = lastSystemError();
        ::close(descriptor);
        return error;
    }
    handle_ = descriptor;
    return {};
}

void AppendFile::close() noexcept {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = closed;
}

std::error_code AppendFile::write(std::string_view text, std::uint64_t& stored) {
    stored = 0;
    if (!isOpen()) return std::make_error_code(std::errc::bad_file_descriptor);
    const char* data = text.data();
    std::size_t size = text.size();
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(handle_), data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return lastSystemError();
        if (written == 0) return std::make_error_code(std::errc::io_error);
        data += written;
        size -= static_cast<std::size_t>(written);
        stored += static_cast<std::uint64_t>(written);
    }
    return {};
}

std::error_code AppendFile::status(FileIdentity& identity, std::uint64_t& size) const {
    struct stat status {};
    if (!isOpen()) return std::make_error_code(std::errc::bad_file_descriptor);
    if (fstat(static_cast<int>(handle_), &status) != 0) return lastSystemError();
    identity = {static_cast<std::uint64_t>(status.st_dev),
                static_cast<std::uint64_t>(status.st_ino)};
    size = static_cast<std::uint64_t>(status.st_size);
    return {};
}

unsigned AppendFile::permissions() const {
    struct stat status {};
    if (!isOpen() || fstat(static_cast<int>(handle_), &status) != 0) return 0600;
    return static_cast<unsigned>(status.st_mode) & 0777u;
}

std::optional<char> AppendFile::lastByte() const {
    struct stat status {};
    char byte = 0;
    if (isOpen() && fstat(static_cast<int>(handle_), &status) == 0 && status.st_size > 0 &&
        pread(static_cast<int>(handle_), &byte, 1, status.st_size - 1) == 1) {
        return byte;
    }
    return std::nullopt;
}

}  // namespace platform
