#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Removes a file by its wide path; false when nothing was removed (directories are never
// removed).
bool removeFile(const std::wstring& path);

// Renames a file or folder; false when it stayed where it was. An existing target is never
// replaced (Windows refuses by itself; on Linux the rename asks for no replacement).
bool renameFile(const std::wstring& from, const std::wstring& to);

// What a path names, without following a link at its end.
enum class PathKind {
    missing,  // nothing, or nothing that can be seen
    folder,   // a directory
    file,     // anything else: a file, a link, a device
};
PathKind pathKind(const std::wstring& path);

// The last byte of a file as stored; nothing when the file is empty, missing or unreadable,
// and for anything but a regular file (a device has no last byte).
std::optional<char> lastByte(const std::wstring& path);

// The file system's wide path for a path given on the command line (UTF-8 on Linux, the ANSI
// code page on Windows).
std::wstring widenPath(const std::string& narrowPath);

// How AppendFile::open treats an existing file. Either way every write goes to the end of the
// file, also when another program has written there in the meantime.
enum class OpenMode {
    append,    // keep the content; create a missing file
    truncate,  // create the file, or empty it if it exists
};

// A file that text is written to at its end, opened by a wide path, as text (on Windows each
// newline is stored as CR LF) and shared with other processes for reading and writing
// (deny-none), but never inherited by a child process (close-on-exec on Linux, no-inherit on
// Windows), so that no child can hold the file open and keep it from being renamed. Every
// write goes straight to the system in one call (nothing is buffered), so a write that fails
// (a full disk) leaves nothing behind that a later write or close would repeat.
// Its state follows a file stream's: open on an open file or a failed open makes it failed
// (an open file stays open), a successful open clears the state, close on a closed file makes
// it failed, and a write that fails makes it failed; a failed file writes nothing until its
// state is cleared.
class AppendFile {
public:
    AppendFile() noexcept = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    void open(const std::wstring& path, OpenMode mode);
    void close();
    bool isOpen() const noexcept { return descriptor_ >= 0; }
    // Open or not, and not failed.
    bool good() const noexcept { return !failed_; }
    void clear() noexcept { failed_ = false; }

    // Writes all of `text`, or fails.
    void write(std::string_view text);
    // The byte offset in the file as stored after the last write, which in append mode is the
    // end of the file, other programs' writes included; -1 when the file is failed or closed.
    std::int64_t position();

private:
    int descriptor_ = -1;
    bool failed_ = false;
};

}  // namespace platform
