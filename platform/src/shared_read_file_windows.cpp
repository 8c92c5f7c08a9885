#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "addon001/platform/shared_read_file.h"
#include "addon001/platform/system_error.h"
#include "addon001/platform/wide_path_file.h"

namespace platform {
namespace {
HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}
}  // namespace

PathStatus pathStatus(const std::string& path) {
    PathStatus status;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(widenPath(path).c_str(), GetFileExInfoStandard, &data)) {
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

std::error_code SharedReadFile::open(const std::string& path) {
    close();
    const std::wstring wide = widenPath(path);
    // Delete sharing lets another process rename the file, or remove it, while it is open here.
    const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const std::error_code error = lastSystemError();
        // A folder cannot be opened this way; say so rather than "Access is denied" (Windows
        // has no code of its own for it).
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return std::make_error_code(std::errc::is_a_directory);
        }
        return error;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    position_ = 0;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) {
        const std::error_code error = lastSystemError();
        close();
        return error;
    }
    identity_.volume = information.dwVolumeSerialNumber;
    identity_.index =
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    return {};
}

std::error_code SharedReadFile::read(char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    // An explicit offset per read, so that the position is this object's alone.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position_ & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(position_ >> 32);
    const DWORD wanted = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(toHandle(handle_), buffer, wanted, &read, &at)) {
        const std::error_code error = lastSystemError();
        if (error.value() == ERROR_HANDLE_EOF) return {};
        return error;
    }
    got = read;
    position_ += read;
    return {};
}

std::error_code SharedReadFile::size(std::uint64_t& bytes) const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(toHandle(handle_), &size)) return lastSystemError();
    bytes = static_cast<std::uint64_t>(size.QuadPart);
    return {};
}

void SharedReadFile::close() {
    if (isOpen()) CloseHandle(toHandle(handle_));
    handle_ = invalidHandle;
}

}  // namespace platform
