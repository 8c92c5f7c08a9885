#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>

#include "addon001/platform/append_file.h"
#include "addon001/platform/system_error.h"

namespace platform {

namespace {
HANDLE toHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opened with every sharing, delete included, so that another process on the same log set can
// rename the file while this one holds it (its rotation moves the live file aside); with a
// handle that no child inherits; and never through a reparse point (a link) at the name's end.
// Only appends: without FILE_WRITE_DATA every write goes to the end of the file as it is then,
// also when another process has written meanwhile.
HANDLE openAppending(const std::wstring& path, DWORD access) {
    return CreateFileW(path.c_str(), access, shareAll, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// The file behind a handle just opened is checked before anything is written or emptied.
std::error_code checkRegular(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information)) return lastSystemError();
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FileRefusal::linkInPlace;
    if (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
        return FileRefusal::notAFile;
    }
    return {};
}

// Emptied through a second, brief handle that may set the end of the file (the appending one
// may not), opened the same way and checked again.
std::error_code empty(const std::wstring& path) {
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastSystemError();
    std::error_code error = checkRegular(handle);
    FILE_END_OF_FILE_INFO end{};
    if (!error && !SetFileInformationByHandle(handle, FileEndOfFileInfo, &end, sizeof end)) {
        error = lastSystemError();
    }
    CloseHandle(handle);
    return error;
}

std::error_code writeBytes(HANDLE handle, const char* data, std::size_t size,
                           std::uint64_t& stored) {
    while (size > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr)) return lastSystemError();
        if (written == 0) return systemError(ERROR_WRITE_FAULT);
        data += written;
        size -= written;
        stored += written;
    }
    return {};
}
}  // namespace

AppendFile::~AppendFile() {
    close();
}

std::error_code AppendFile::open(const Folder& folder, const std::wstring& name, OpenMode mode) {
    if (isOpen()) return std::make_error_code(std::errc::file_exists);
    const std::wstring path = folder.pathOf(name);
    HANDLE handle = openAppending(path, FILE_APPEND_DATA | FILE_READ_DATA | FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
        handle = openAppending(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES);
    }
    if (handle == INVALID_HANDLE_VALUE) return lastSystemError();
    std::error_code error = checkRegular(handle);
    if (!error && mode == OpenMode::truncate) error = empty(path);
    if (error) {
        CloseHandle(handle);
        return error;
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    return {};
}

void AppendFile::close() noexcept {
    if (!isOpen()) return;
    CloseHandle(toHandle(handle_));
    handle_ = closed;
}

// Each newline is stored as CR LF. The text is translated here and handed to the system in one
// write, which an append-only handle places at the end of the file as a whole, so that no
// other process's record lands inside it.
std::error_code AppendFile::write(std::string_view text, std::uint64_t& stored) {
    stored = 0;
    if (!isOpen()) return systemError(ERROR_INVALID_HANDLE);
    const HANDLE handle = toHandle(handle_);
    thread_local std::string translated;
    try {
        translated.clear();
        translated.reserve(text.size() + text.size() / 8 + 2);
        for (const char character : text) {
            if (character == '\n') translated += '\r';
            translated += character;
        }
    } catch (const std::bad_alloc&) {
        // No room to translate a huge text: written line by line, still whole lines.
        translated = std::string();
        std::size_t start = 0;
        for (std::size_t at = 0; at < text.size(); ++at) {
            if (text[at] != '\n') continue;
            if (const std::error_code error =
                    writeBytes(handle, text.data() + start, at - start, stored)) {
                return error;
            }
            if (const std::error_code error = writeBytes(handle, "\r\n", 2, stored)) return error;
            start = at + 1;
        }
        return writeBytes(handle, text.data() + start, text.size() - start, stored);
    }
    return writeBytes(handle, translated.data(), translated.size(), stored);
}

std::error_code AppendFile::status(FileIdentity& identity, std::uint64_t& size) const {
    if (!isOpen()) return systemError(ERROR_INVALID_HANDLE);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(toHandle(handle_), &information)) return lastSystemError();
    identity = {
        information.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
    size = (static_cast<std::uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    return {};
}

unsigned AppendFile::permissions() const {
    return 0;
}

std::optional<char> AppendFile::lastByte() const {
    FileIdentity identity;
    std::uint64_t size = 0;
    if (status(identity, size) || size == 0) return std::nullopt;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>((size - 1) & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>((size - 1) >> 32);
    char byte = 0;
    DWORD read = 0;
    if (!ReadFile(toHandle(handle_), &byte, 1, &read, &at) || read != 1) return std::nullopt;
    return byte;
}

}  // namespace platform
