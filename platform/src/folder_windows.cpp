#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "addon001/platform/folder.h"
#include "addon001/platform/system_error.h"

namespace platform {

namespace {
bool isSeparator(wchar_t character) {
    return character == L'/' || character == L'\\';
}

bool isMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}
}  // namespace

std::wstring absolutePath(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::vector<wchar_t> buffer(length);
    const DWORD written = GetFullPathNameW(path.c_str(), length, buffer.data(), nullptr);
    if (written == 0 || written >= length) return path;
    return std::wstring(buffer.data(), written);
}

SplitPath splitPath(const std::wstring& absolute) {
    std::size_t at = absolute.size();
    while (at > 0 && !isSeparator(absolute[at - 1])) --at;
    if (at == 0) return {L".", absolute};
    std::wstring folder = absolute.substr(0, at - 1);
    // A drive's root keeps its separator ("C:\"), which names the root, not the current folder.
    if (folder.empty() || folder.back() == L':') folder += L'\\';
    return {folder, absolute.substr(at)};
}

Folder::~Folder() {
    close();
}

// Windows names files by their full paths: only the path is held. Its files are opened without
// following a reparse point at the end of their names.
std::error_code Folder::open(const std::wstring& path) {
    close();
    path_ = path;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return lastSystemError();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return systemError(ERROR_DIRECTORY);
    opened_ = true;
    return {};
}

void Folder::close() noexcept {
    opened_ = false;
}

bool Folder::refresh(bool) {
    return false;
}

std::wstring Folder::pathOf(const std::wstring& name) const {
    if (!path_.empty() && isSeparator(path_.back())) return path_ + name;
    return path_ + L'\\' + name;
}

EntryStatus Folder::status(const std::wstring& name) const {
    EntryStatus entry;
    const std::wstring full = pathOf(name);
    // No access is asked for and everything is shared, so the brief handle stands in nobody's
    // way; backup semantics let a folder be asked as well, and a link is not followed.
    const HANDLE handle = CreateFileW(
        full.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A removed file that another handle still holds keeps its name until then.
        if (error == ERROR_ACCESS_DENIED &&
            GetFileAttributesW(full.c_str()) != INVALID_FILE_ATTRIBUTES) {
            entry.kind = EntryStatus::Kind::file;
            return entry;
        }
        if (!isMissing(error)) {
            entry.kind = EntryStatus::Kind::unusable;
            entry.error = systemError(static_cast<int>(error));
        }
        return entry;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    const std::error_code error = known ? std::error_code() : lastSystemError();
    CloseHandle(handle);
    if (!known) {
        entry.kind = EntryStatus::Kind::unusable;
        entry.error = error;
        return entry;
    }
    entry.identity = {
        information.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
    const DWORD attributes = information.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        entry.kind = EntryStatus::Kind::link;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        entry.kind = EntryStatus::Kind::folder;
    } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
        entry.kind = EntryStatus::Kind::other;
    } else {
        entry.kind = EntryStatus::Kind::file;
    }
    return entry;
}

std::error_code Folder::rename(const std::wstring& from, const std::wstring& to) const {
    // Without MOVEFILE_REPLACE_EXISTING an existing target is never replaced; a link is moved
    // itself, not what it points to.
    if (MoveFileExW(pathOf(from).c_str(), pathOf(to).c_str(), 0)) return {};
    return lastSystemError();
}

std::error_code Folder::remove(const std::wstring& name) const {
    if (DeleteFileW(pathOf(name).c_str())) return {};
    return lastSystemError();
}

std::error_code Folder::lock(std::chrono::milliseconds) const {
    return std::make_error_code(std::errc::not_supported);
}

void Folder::unlock() const noexcept {}

}  // namespace platform
