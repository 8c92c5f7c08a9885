#include "addon001/platform/wide_path_file.h"

#include <utility>

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

bool removeFile(const std::wstring& path) {
    return _wremove(path.c_str()) == 0;
}

bool renameFile(const std::wstring& from, const std::wstring& to) {
    return _wrename(from.c_str(), to.c_str()) == 0;
}

PathKind pathKind(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::folder : PathKind::file;
}

std::optional<char> lastByte(const std::wstring& path) {
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                  _S_IREAD) != 0) {
        return std::nullopt;
    }
    struct _stat64 status {};
    char byte = 0;
    const bool read = _fstat64(descriptor, &status) == 0 && (status.st_mode & _S_IFREG) != 0 &&
                      _lseeki64(descriptor, -1, SEEK_END) >= 0 && _read(descriptor, &byte, 1) == 1;
    _close(descriptor);
    return read ? std::optional<char>(byte) : std::nullopt;
}

std::wstring widenPath(const std::string& narrowPath) {
    if (narrowPath.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, narrowPath.data(),
                                           static_cast<int>(narrowPath.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrowPath.data(), static_cast<int>(narrowPath.size()),
                        wide.data(), length);
    return wide;
}

namespace {
// errno for the system error of a failed CreateFileW, so that callers word it as any other.
int errnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        default:
            return EIO;
    }
}

// Opened with every sharing, delete included, so that another process on the same log set can
// rename the file while this one holds it (its rotation moves the live file aside), and with
// a handle that no child inherits. Only appends: every write goes to the end of the file, as
// it is then, also when another process has written meanwhile. The runtime's descriptor on top
// of it is binary; writeAll stores each newline as CR LF, so positions are those of the file as
// stored.
int openDescriptor(const std::wstring& path, OpenMode mode) {
    HANDLE handle = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                mode == OpenMode::truncate ? CREATE_ALWAYS : OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = errnoOf(GetLastError());
        return -1;
    }
    const int descriptor =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_APPEND | _O_BINARY);
    if (descriptor < 0) {
        const int reason = errno;
        CloseHandle(handle);
        errno = reason;
        return -1;
    }
    return descriptor;
}

void closeDescriptor(int descriptor) {
    _close(descriptor);
}

// Straight to the handle, past the runtime's descriptor, which would first move the file
// position to the end: on an append-only handle the system itself puts every write at the
// end of the file as it is at that moment.
bool writeBytes(int descriptor, const char* data, std::size_t size) {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr) || written == 0) {
            errno = errnoOf(GetLastError());
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Each newline is stored as CR LF. The text is translated here and handed to the system in
// one write, which an append-only handle places at the end of the file as a whole: the
// runtime's own text mode would write it in pieces of a few KiB, between which another
// process's record could land.
bool writeAll(int descriptor, const char* data, std::size_t size) {
    thread_local std::string stored;
    try {
        stored.clear();
        stored.reserve(size + size / 8 + 2);
        for (std::size_t at = 0; at < size; ++at) {
            if (data[at] == '\n') stored += '\r';
            stored += data[at];
        }
    } catch (const std::bad_alloc&) {
        // No room to translate a huge text: written line by line, still whole lines.
        stored = std::string();
        std::size_t start = 0;
        for (std::size_t at = 0; at < size; ++at) {
            if (data[at] != '\n') continue;
            if (!writeBytes(descriptor, data + start, at - start) ||
                !writeBytes(descriptor, "\r\n", 2)) {
                return false;
            }
            start = at + 1;
        }
        return writeBytes(descriptor, data + start, size - start);
    }
    return writeBytes(descriptor, stored.data(), stored.size());
}

std::int64_t positionOf(int descriptor) {
    return _lseeki64(descriptor, 0, SEEK_CUR);
}
}  // namespace

}  // namespace platform

#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/nowide/convert.hpp>
#include <cerrno>
#include <cstdio>

namespace platform {
namespace {
// Linux file names are bytes; wide paths are taken as Unicode and stored as UTF-8.
std::string narrowPath(const std::wstring& path) {
    return boost::nowide::narrow(path);
}
}  // namespace

bool removeFile(const std::wstring& path) {
    return unlink(narrowPath(path).c_str()) == 0;
}

bool renameFile(const std::wstring& from, const std::wstring& to) {
    // Like _wrename, never replace an existing target: a rename over a backup that could not
    // be shifted away would silently destroy that backup's lines.
    const std::string source = narrowPath(from);
    const std::string target = narrowPath(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without no-replace renames: check first, accepting the small race.
    struct stat existing {};
    if (lstat(target.c_str(), &existing) == 0) return false;
    return std::rename(source.c_str(), target.c_str()) == 0;
}

PathKind pathKind(const std::wstring& path) {
    struct stat status {};
    if (lstat(narrowPath(path).c_str(), &status) != 0) return PathKind::missing;
    return S_ISDIR(status.st_mode) ? PathKind::folder : PathKind::file;
}

std::optional<char> lastByte(const std::wstring& path) {
    const int descriptor = ::open(narrowPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return std::nullopt;
    struct stat status {};
    char byte = 0;
    const bool read = fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
                      lseek(descriptor, -1, SEEK_END) >= 0 && ::read(descriptor, &byte, 1) == 1;
    ::close(descriptor);
    return read ? std::optional<char>(byte) : std::nullopt;
}

std::wstring widenPath(const std::string& narrowPath) {
    return boost::nowide::widen(narrowPath);
}

namespace {
int openDescriptor(const std::wstring& path, OpenMode mode) {
    const int flags =
        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (mode == OpenMode::truncate ? O_TRUNC : 0);
    return ::open(narrowPath(path).c_str(), flags, 0666);
}

void closeDescriptor(int descriptor) {
    ::close(descriptor);
}

bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::int64_t positionOf(int descriptor) {
    return lseek(descriptor, 0, SEEK_CUR);
}
}  // namespace

}  // namespace platform

#endif

namespace platform {

AppendFile::~AppendFile() {
    if (isOpen()) closeDescriptor(descriptor_);
}

void AppendFile::open(const std::wstring& path, OpenMode mode) {
    if (isOpen()) {
        failed_ = true;  // it keeps the file it has open
        return;
    }
    descriptor_ = openDescriptor(path, mode);
    failed_ = descriptor_ < 0;
}

void AppendFile::close() {
    if (!isOpen()) {
        failed_ = true;
        return;
    }
    closeDescriptor(descriptor_);
    descriptor_ = -1;
}

void AppendFile::write(std::string_view text) {
    if (failed_ || !isOpen()) {
        failed_ = true;
        return;
    }
    if (!writeAll(descriptor_, text.data(), text.size())) failed_ = true;
}

std::int64_t AppendFile::position() {
    // A file without positions (a pipe) answers -1 and stays good.
    if (failed_ || !isOpen()) return -1;
    return positionOf(descriptor_);
}

}  // namespace platform
