#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "addon001/platform/file_lock.h"
#include "addon001/platform/system_error.h"

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
    return FileIdentity{
        information.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

FileLock::~FileLock() {
    close();
}

// Windows files take their folder's permissions: `permissions` is for Linux only.
std::error_code FileLock::open(const Folder& folder, const std::wstring& name, unsigned) {
    if (isOpen()) return std::make_error_code(std::errc::file_exists);
    const HANDLE handle =
        CreateFileW(folder.pathOf(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastSystemError();
    BY_HANDLE_FILE_INFORMATION information{};
    std::error_code error;
    if (!GetFileInformationByHandle(handle, &information)) {
        error = lastSystemError();
    } else if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        error = FileRefusal::linkInPlace;
    } else if (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
        error = FileRefusal::notAFile;
    }
    if (error) {
        CloseHandle(handle);
        return error;
    }
    handle_ = static_cast<long long>(reinterpret_cast<std::intptr_t>(handle));
    return {};
}

void FileLock::close() noexcept {
    if (!isOpen()) return;
    CloseHandle(toHandle(handle_));
    handle_ = closed;
}

std::error_code FileLock::lock(std::chrono::milliseconds limit) noexcept {
    if (!isOpen()) return systemError(ERROR_INVALID_HANDLE);
    // One byte, exclusive: the byte range is the lock's only use of the file.
    const HANDLE handle = toHandle(handle_);
    return retryFor(limit, [handle]() -> std::error_code {
        OVERLAPPED at{};
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
            return {};
        }
        if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return lastSystemError();
    });
}

void FileLock::unlock() noexcept {
    if (!isOpen()) return;
    OVERLAPPED at{};
    UnlockFileEx(toHandle(handle_), 0, 1, 0, &at);
}

}  // namespace platform
