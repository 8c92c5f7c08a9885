#include "addon001/platform/shared_read_file.h"

#include "addon001/platform/system_error.h"

#include <utility>

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {
namespace {
[[noreturn]] void failWithLastError() {
    throw FileError(lastSystemError().message());
}

HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}
}  // namespace

PathStatus pathStatus(const std::wstring& path) {
    PathStatus status;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        if (isMissing(error)) return status;
        status.kind = PathStatus::Kind::unusable;
        status.problem = systemMessage(static_cast<int>(error));
        return status;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        status.kind = PathStatus::Kind::folder;
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        status.kind = PathStatus::Kind::other;
    } else {
        status.kind = PathStatus::Kind::file;
        status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return status;
}

SharedReadFile::SharedReadFile(const std::wstring& path) {
    // Delete sharing lets another process rename the file, or remove it, while it is open here.
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A folder cannot be opened this way; say so rather than "Access is denied", in the
        // words Linux uses (Windows has no message of its own for it).
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            throw FileError("Is a directory");
        }
        throw FileError(systemMessage(static_cast<int>(error)));
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) {
        const DWORD error = GetLastError();
        close();
        throw FileError(systemMessage(static_cast<int>(error)));
    }
    identity_.volume = information.dwVolumeSerialNumber;
    identity_.index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
}

std::size_t SharedReadFile::read(char* buffer, std::size_t size) {
    // An explicit offset per read, so that the position is this object's alone.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_ & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(toHandle(handle_), buffer, wanted, &got, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        throw FileError(systemMessage(static_cast<int>(error)));
    }
    position_ += got;
    return got;
}

std::uint64_t SharedReadFile::size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(toHandle(handle_), &size)) failWithLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

void SharedReadFile::close() {
    if (isOpen()) CloseHandle(toHandle(handle_));
    handle_ = invalidHandle;
}

#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/nowide/convert.hpp>
#include <cerrno>
#include <system_error>

namespace platform {
namespace {
// Linux file names are bytes; wide paths are taken as Unicode and stored as UTF-8.
std::string narrowPath(const std::wstring& path) {
    return boost::nowide::narrow(path);
}

}  // namespace

PathStatus pathStatus(const std::wstring& path) {
    PathStatus status;
    struct stat information {};
    if (stat(narrowPath(path).c_str(), &information) != 0) {
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

SharedReadFile::SharedReadFile(const std::wstring& path) {
    // O_NONBLOCK: a pipe given by mistake must not stall the open; a regular file ignores it.
    const int descriptor = ::open(narrowPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) throw FileError(systemMessage(errno));
    handle_ = descriptor;
    struct stat information {};
    if (fstat(descriptor, &information) != 0) {
        const int error = errno;
        close();
        throw FileError(systemMessage(error));
    }
    if (!S_ISREG(information.st_mode)) {
        close();
        throw FileError(S_ISDIR(information.st_mode) ? systemMessage(EISDIR)
                                                     : std::string("not a regular file"));
    }
    identity_.volume = static_cast<std::uint64_t>(information.st_dev);
    identity_.index = static_cast<std::uint64_t>(information.st_ino);
}

std::size_t SharedReadFile::read(char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got =
            ::pread(static_cast<int>(handle_), buffer, size, static_cast<off_t>(position_));
        if (got >= 0) {
            position_ += static_cast<std::uint64_t>(got);
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) throw FileError(systemMessage(errno));
    }
}

std::uint64_t SharedReadFile::size() const {
    struct stat information {};
    if (fstat(static_cast<int>(handle_), &information) != 0) {
        throw FileError(systemMessage(errno));
    }
    return static_cast<std::uint64_t>(information.st_size);
}

void SharedReadFile::close() {
    if (isOpen()) ::close(static_cast<int>(handle_));
    handle_ = invalidHandle;
}

#endif

SharedReadFile::~SharedReadFile() {
    close();
}

SharedReadFile::SharedReadFile(SharedReadFile&& other) noexcept
    : handle_(std::exchange(other.handle_, invalidHandle)),
      position_(other.position_),
      identity_(other.identity_) {}

SharedReadFile& SharedReadFile::operator=(SharedReadFile&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, invalidHandle);
        position_ = other.position_;
        identity_ = other.identity_;
    }
    return *this;
}

}  // namespace platform
