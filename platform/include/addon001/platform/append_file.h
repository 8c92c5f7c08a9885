#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "addon001/platform/file_identity.h"
#include "addon001/platform/folder.h"

namespace platform {

// How AppendFile::open treats an existing file. Either way every write goes to the end of the
// file, also when another process has written there in the meantime.
enum class OpenMode {
    append,    // keep the content; create a missing file
    truncate,  // create the file, or empty it if it exists
};

// A file in a Folder that text is written to at its end, as text (on Windows each newline is
// stored as CR LF), shared with other processes for reading, writing and renaming, and never
// inherited by a child process, so that no child can keep the file from being renamed.
// It is opened only when its name is a regular file or nothing (then created): never through a
// link, and never a pipe that could block a write. Every write goes to the system in one call
// (nothing is buffered), so a write that fails (a full disk) leaves nothing behind that a
// later write or close would repeat. Failures are the system's codes (system_error.h) or a
// FileRefusal.
class AppendFile {
public:
    AppendFile() noexcept = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens `name` in `folder`; an open object keeps its file and reports file_exists.
    std::error_code open(const Folder& folder, const std::wstring& name, OpenMode mode);
    void close() noexcept;
    bool isOpen() const noexcept { return handle_ != closed; }
    // Exchanges the files of two objects: a file opened anew takes the place of the one in use.
    void swap(AppendFile& other) noexcept { std::swap(handle_, other.handle_); }

    // Writes all of `text` at the end of the file; `stored` is the number of bytes the file
    // grew by as stored (each newline two on Windows), also when a later part failed.
    std::error_code write(std::string_view text, std::uint64_t& stored);

    // Which file is open, and its size now, other processes' writes included.
    std::error_code status(FileIdentity& identity, std::uint64_t& size) const;
    // The file's permissions, for a file beside it that the same users may use (Linux mode
    // bits; 0 on Windows, where files take their folder's permissions).
    unsigned permissions() const;
    // The last byte of the file as stored; nothing when it is empty or cannot be read.
    std::optional<char> lastByte() const;

private:
    static constexpr std::intptr_t closed = -1;
    std::intptr_t handle_ = closed;  // a descriptor on Linux, a HANDLE on Windows
};

}  // namespace platform
