#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

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

// How WidePathOutputStream::open treats an existing file. Either way every write goes to the
// end of the file, also when another program has written there in the meantime.
enum class OpenMode {
    append,    // keep the content; create a missing file
    truncate,  // create the file, or empty it if it exists
};

// A narrow output file stream opened by a wide path, as text (on Windows each newline is stored
// as CR LF) and shared with other processes for reading and writing (deny-none), but never
// inherited by a child process (close-on-exec on Linux, no-inherit on Windows), so that no
// child can hold the file open and keep it from being renamed. It is unbuffered: every
// insertion goes straight to the system, so a write that fails (a full disk) leaves nothing
// behind that a later flush or close would write again after its cut-off piece.
// Its state follows std::ofstream: open on an open stream or a failed open sets failbit, a
// successful open clears the state, close on a closed stream sets failbit. tellp() is the
// byte offset in the file as stored after the last write, which in append mode is the end of
// the file, other programs' writes included.
class WidePathOutputStream : public std::ostream {
public:
    WidePathOutputStream();
    ~WidePathOutputStream() override;
    WidePathOutputStream(const WidePathOutputStream&) = delete;
    WidePathOutputStream& operator=(const WidePathOutputStream&) = delete;

    void open(const std::wstring& path, OpenMode mode);
    bool isOpen() const;
    void close();

private:
    std::unique_ptr<std::filebuf> buffer_;
};

}  // namespace platform
