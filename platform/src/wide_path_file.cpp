#include "addon001/platform/wide_path_file.h"

#include <utility>

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cstdio>

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
// The runtime's own text-mode descriptor does the CR LF translation, so the stream's byte
// offsets are those of the file as stored.
int openDescriptor(const std::wstring& path, OpenMode mode) {
    const int flags = _O_WRONLY | _O_CREAT | _O_APPEND | _O_TEXT | _O_NOINHERIT |
                      (mode == OpenMode::truncate ? _O_TRUNC : 0);
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return -1;
    }
    return descriptor;
}

void closeDescriptor(int descriptor) {
    _close(descriptor);
}

// The runtime's text mode turns each newline into CR LF on the way; the count is of the
// caller's characters.
bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(size, 1u << 30));
        const int written = _write(descriptor, data, chunk);
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
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
