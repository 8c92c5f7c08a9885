#include "addon001/platform/file_lock.h"

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {
namespace {
HANDLE toHandle(long long handle) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}
}  // namespace

std::optional<FileIdentity> pathIdentity(const std::wstring& path) {
    // No access is asked for and everything is shared, so the brief handle stands in nobody's
    // way; backup semantics let a folder be asked as well, and a link is not followed.
    const HANDLE handle = CreateFileW(
        path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    FileIdentity identity;
    identity.volume = information.dwVolumeSerialNumber;
    identity.index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return identity;
}

FileLock::~FileLock() {
    close();
}

bool FileLock::open(const std::wstring& path, bool create) {
    if (isOpen()) return false;
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    handle_ = static_cast<long long>(reinterpret_cast<std::intptr_t>(handle));
    return true;
}

void FileLock::close() noexcept {
    if (!isOpen()) return;
    CloseHandle(toHandle(handle_));
    handle_ = closed;
}

bool FileLock::lock() noexcept {
    if (!isOpen()) return false;
    // One byte, exclusive, waiting: the byte range is the lock's only use of the file.
    OVERLAPPED at{};
    return LockFileEx(toHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

void FileLock::unlock() noexcept {
    if (!isOpen()) return;
    OVERLAPPED at{};
    UnlockFileEx(toHandle(handle_), 0, 1, 0, &at);
}

}  // namespace platform

#else

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/nowide/convert.hpp>
#include <cerrno>

namespace platform {

std::optional<FileIdentity> pathIdentity(const std::wstring& path) {
    struct stat status {};
    if (lstat(boost::nowide::narrow(path).c_str(), &status) != 0) return std::nullopt;
    FileIdentity identity;
    identity.volume = static_cast<std::uint64_t>(status.st_dev);
    identity.index = static_cast<std::uint64_t>(status.st_ino);
    return identity;
}

FileLock::~FileLock() {
    close();
}

bool FileLock::open(const std::wstring& path, bool create) {
    if (isOpen()) return false;
    const int descriptor = ::open(boost::nowide::narrow(path).c_str(),
                                  O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (descriptor < 0) return false;
    handle_ = descriptor;
    return true;
}

void FileLock::close() noexcept {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = closed;
}

bool FileLock::lock() noexcept {
    if (!isOpen()) return false;
    // flock, not fcntl: its lock belongs to the open file, so two sinks in one process (two
    // modules) exclude each other too, and closing some other descriptor of the file keeps it.
    int result = 0;
    do {
        result = flock(static_cast<int>(handle_), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

void FileLock::unlock() noexcept {
    if (isOpen()) flock(static_cast<int>(handle_), LOCK_UN);
}

}  // namespace platform

#endif
