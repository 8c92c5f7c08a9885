#include "addon001/platform/wide_path_file.h"

#include <utility>

#if defined(_WIN32)

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <ext/stdio_filebuf.h>

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
std::unique_ptr<std::filebuf> openShared(const std::wstring& path, OpenMode mode) {
    const int flags =
        _O_WRONLY | _O_CREAT | _O_TEXT | (mode == OpenMode::append ? _O_APPEND : _O_TRUNC);
    int descriptor = -1;
    if (_wsopen_s(&descriptor, path.c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
        return nullptr;
    }
    const std::ios_base::openmode streamMode =
        std::ios_base::out | (mode == OpenMode::append ? std::ios_base::app : std::ios_base::trunc);
    // The buffer takes the descriptor over and closes it with itself.
    auto buffer = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(descriptor, streamMode);
    if (!buffer->is_open()) {
        _close(descriptor);
        return nullptr;
    }
    return buffer;
}
}  // namespace

WidePathOutputStream::WidePathOutputStream()
    : std::ostream(nullptr), buffer_(std::make_unique<std::filebuf>()) {
    rdbuf(buffer_.get());
}

void WidePathOutputStream::open(const std::wstring& path, OpenMode mode) {
    if (isOpen()) {
        setstate(failbit);
        return;
    }
    std::unique_ptr<std::filebuf> opened = openShared(path, mode);
    if (!opened) {
        setstate(failbit);
        return;
    }
    rdbuf(opened.get());  // also clears the state
    buffer_ = std::move(opened);
}

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

std::wstring widenPath(const std::string& narrowPath) {
    return boost::nowide::widen(narrowPath);
}

WidePathOutputStream::WidePathOutputStream()
    : std::ostream(nullptr), buffer_(std::make_unique<std::filebuf>()) {
    rdbuf(buffer_.get());
}

void WidePathOutputStream::open(const std::wstring& path, OpenMode mode) {
    const std::ios_base::openmode streamMode =
        std::ios_base::out | (mode == OpenMode::append ? std::ios_base::app : std::ios_base::trunc);
    if (buffer_->open(narrowPath(path), streamMode) == nullptr) {
        setstate(failbit);  // also when the stream was open already: it keeps that file
    } else {
        clear();
    }
}

#endif

WidePathOutputStream::~WidePathOutputStream() = default;

bool WidePathOutputStream::isOpen() const {
    return buffer_->is_open();
}

void WidePathOutputStream::close() {
    if (buffer_->close() == nullptr) setstate(failbit);
}

}  // namespace platform
