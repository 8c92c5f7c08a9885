#pragma once

#include <optional>
#include <string>

#include "addon001/platform/shared_read_file.h"

namespace platform {

// Which file a path names at the moment it is asked, without following a link at its end;
// nothing when the path names nothing (or cannot be asked). A file keeps its identity when it
// is renamed, so comparing the identity of a path now with the one it had when a file was
// opened by it tells whether that path still names the open file.
std::optional<FileIdentity> pathIdentity(const std::wstring& path);

// An advisory lock that processes take around a shared piece of work, held through a file of
// its own that the holders never rename or remove, so that every process locks the same file
// (flock on Linux, LockFileEx on Windows). The lock belongs to this object's open file, not to
// the process: two objects in one process exclude each other as two processes do. The system
// drops it when the holder dies, so a killed holder blocks nobody. The file is shared with
// everyone for reading, writing and removing, and is never inherited by a child process.
class FileLock {
public:
    FileLock() noexcept = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the lock's file, creating it when `create` is set; false when it cannot be opened
    // (an open object keeps the file it has).
    bool open(const std::wstring& path, bool create);
    void close() noexcept;
    bool isOpen() const noexcept { return handle_ != closed; }

    // Waits, without a time limit, until this object holds the lock; false when the system
    // refused (or the file is not open). unlock lets it go.
    bool lock() noexcept;
    void unlock() noexcept;

private:
    static constexpr long long closed = -1;
    long long handle_ = closed;  // a descriptor on Linux, a HANDLE's value on Windows
};

}  // namespace platform
