#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

#include "addon001/platform/file_identity.h"

namespace platform {

// Paths here are narrow and taken in the system's own bytes: on Linux as they are (a name in
// Latin-1 is found as well as one in UTF-8), on Windows in the ANSI code page (widenPath).
// Failures are std::error_code values of systemCategory() (system_error.h).

// What a path names at the moment it is asked, without opening it (an open handle, however
// briefly held, can get in the way of another process that removes the file on Windows).
struct PathStatus {
    enum class Kind {
        missing,  // nothing by that name (or a folder on the way is missing)
        file,     // a regular file of `size` bytes
        folder,
        other,     // a device, a pipe, a socket ...
        unusable,  // the system would not say: `problem` holds its reason
    };
    Kind kind = Kind::missing;
    std::uint64_t size = 0;
    std::string problem;
};

PathStatus pathStatus(const std::string& path);

// Whether a removed file keeps its name while another handle still holds it open, until that
// handle is closed (Windows, unless the file system removes names at once, and Wine). Meanwhile
// no other file can be renamed to that name: a reader that holds the oldest backup of a log set
// open makes the writer's next rotation fail to move the other backups up.
#if defined(_WIN32)
inline constexpr bool removedFileKeepsNameWhileOpen = true;
#else
inline constexpr bool removedFileKeepsNameWhileOpen = false;
#endif

// A regular file opened for reading only, and shared with everyone else: other
// processes may go on writing to it, rename it and remove it while it is open. (On Windows this
// takes CreateFileW with delete sharing; a std::ifstream opens without it there, so that a log
// sink's rename of a file the reader holds would fail.) Reads are unbuffered and start at a read
// position of the object's own, so the file's content may grow or shrink between them.
class SharedReadFile {
public:
    SharedReadFile() = default;
    // Opens `path`, closing what was open before; refuses a folder (std::errc::is_a_directory)
    // and anything else that is no regular file.
    std::error_code open(const std::string& path);
    ~SharedReadFile();
    SharedReadFile(SharedReadFile&& other) noexcept;
    SharedReadFile& operator=(SharedReadFile&& other) noexcept;
    SharedReadFile(const SharedReadFile&) = delete;
    SharedReadFile& operator=(const SharedReadFile&) = delete;

    bool isOpen() const { return handle_ != invalidHandle; }
    // Reads at most `size` bytes at the read position into `buffer` and moves the position on
    // by as many; `got` is how many, 0 at the end of the file.
    std::error_code read(char* buffer, std::size_t size, std::size_t& got);
    std::uint64_t position() const { return position_; }
    void seek(std::uint64_t position) { position_ = position; }
    // The file's size now.
    std::error_code size(std::uint64_t& bytes) const;
    // Which file this is, as the system told when it was opened.
    const FileIdentity& identity() const { return identity_; }
    void close();

private:
    static constexpr std::intptr_t invalidHandle = -1;
    std::intptr_t handle_ = invalidHandle;  // a descriptor on Linux, a HANDLE on Windows
    std::uint64_t position_ = 0;
    FileIdentity identity_;
};

}  // namespace platform
