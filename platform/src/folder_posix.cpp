#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "addon001/platform/file_lock.h"
#include "addon001/platform/folder.h"
#include "addon001/platform/system_error.h"
#include "narrow_path.h"

namespace platform {

using detail::narrowPath;

std::wstring absolutePath(const std::wstring& path) {
    if (!path.empty() && path.front() == L'/') return path;
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return path;  // no working folder to stand on: left as it is
        buffer.resize(buffer.size() * 2);
    }
    std::wstring absolute = boost::nowide::widen(buffer.data());
    if (absolute.empty() || absolute.back() != L'/') absolute += L'/';
    return absolute + path;
}

SplitPath splitPath(const std::wstring& absolute) {
    const std::size_t separator = absolute.rfind(L'/');
    if (separator == std::wstring::npos) return {L".", absolute};
    return {separator == 0 ? std::wstring(L"/") : absolute.substr(0, separator),
            absolute.substr(separator + 1)};
}

std::wstring Folder::pathOf(const std::wstring& name) const {
    if (!path_.empty() && path_.back() == L'/') return path_ + name;
    return path_ + L'/' + name;
}

Folder::~Folder() {
    close();
}

std::error_code Folder::open(const std::wstring& path) {
    close();
    path_ = path;
    // The folder's own path may go through links; O_PATH would not do for flock.
    const int descriptor =
        ::open(narrowPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return lastSystemError();
    handle_ = descriptor;
    opened_ = true;
    return {};
}

void Folder::close() noexcept {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
    opened_ = false;
}

bool Folder::refresh(bool always) {
    if (!always && opened_) {
        struct stat held {};
        struct stat named {};
        if (fstat(static_cast<int>(handle_), &held) == 0 &&
            stat(narrowPath(path_).c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            return false;
        }
    }
    const std::wstring path = path_;
    const int descriptor =
        ::open(narrowPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) return false;
    close();
    path_ = path;
    handle_ = descriptor;
    opened_ = true;
    return true;
}

EntryStatus Folder::status(const std::wstring& name) const {
    EntryStatus entry;
    struct stat status {};
    if (fstatat(static_cast<int>(handle_), narrowPath(name).c_str(), &status,
                AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            entry.kind = EntryStatus::Kind::unusable;
            entry.error = lastSystemError();
        }
        return entry;
    }
    entry.identity = {static_cast<std::uint64_t>(status.st_dev),
                      static_cast<std::uint64_t>(status.st_ino)};
    entry.permissions = static_cast<unsigned>(status.st_mode) & 0777u;
    if (S_ISREG(status.st_mode)) {
        entry.kind = EntryStatus::Kind::file;
    } else if (S_ISDIR(status.st_mode)) {
        entry.kind = EntryStatus::Kind::folder;
    } else if (S_ISLNK(status.st_mode)) {
        entry.kind = EntryStatus::Kind::link;
    } else {
        entry.kind = EntryStatus::Kind::other;
    }
    return entry;
}

std::error_code Folder::rename(const std::wstring& from, const std::wstring& to) const {
    // Never over an existing target: a rename over a backup that could not be shifted away
    // would silently destroy that backup's lines.
    const int folder = static_cast<int>(handle_);
    const std::string source = narrowPath(from);
    const std::string target = narrowPath(to);
    if (renameat2(folder, source.c_str(), folder, target.c_str(), RENAME_NOREPLACE) == 0) return {};
    if (errno != EINVAL && errno != ENOSYS) return lastSystemError();
    // A file system without no-replace renames: checked first, accepting the small race.
    struct stat existing {};
    if (fstatat(folder, target.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        return systemError(EEXIST);
    }
    if (renameat(folder, source.c_str(), folder, target.c_str()) == 0) return {};
    return lastSystemError();
}

std::error_code Folder::remove(const std::wstring& name) const {
    if (unlinkat(static_cast<int>(handle_), narrowPath(name).c_str(), 0) == 0) return {};
    return lastSystemError();
}

std::error_code Folder::lock(std::chrono::milliseconds limit) const {
    const int folder = static_cast<int>(handle_);
    return retryFor(limit, [folder]() -> std::error_code {
        if (flock(folder, LOCK_EX | LOCK_NB) == 0) return {};
        if (errno == EWOULDBLOCK || errno == EINTR) {
            return std::make_error_code(std::errc::resource_unavailable_try_again);
        }
        return lastSystemError();
    });
}

void Folder::unlock() const noexcept {
    if (handle_ >= 0) flock(static_cast<int>(handle_), LOCK_UN);
}

}  // namespace platform
