#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <system_error>

#include "addon001/platform/file_identity.h"
#include "addon001/platform/folder.h"

namespace platform {

// Which file a path names at the moment it is asked, without following a link at its end;
// nothing when the path names nothing (or cannot be asked).
std::optional<FileIdentity> pathIdentity(const std::wstring& path);

// An advisory lock that processes take around a shared piece of work, held through a file of
// its own that the holders never rename or remove, so that every process locks the same file
// (flock on Linux, LockFileEx on Windows). The lock belongs to this object's open file, not to
// the process: two objects in one process exclude each other as two processes do; a process
// made by fork() shares its parent's open file, and so its lock, until it opens its own. The
// system drops it when the holder dies, so a killed holder blocks nobody; and nobody waits
// for it longer than the limit it asks for. The file is shared with everyone for reading,
// writing and removing, never opened through a link, and never inherited by a child process.
class FileLock {
public:
    FileLock() noexcept = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens the lock's file `name` in `folder`, creating it when it is missing with the given
    // Linux permissions (so that those who may not take part cannot open it, not even for
    // reading, and so cannot hold the lock); a file of this process's user that grants more is
    // narrowed to them. An open object keeps the file it has and reports file_exists.
    std::error_code open(const Folder& folder, const std::wstring& name, unsigned permissions);
    void close() noexcept;
    bool isOpen() const noexcept { return handle_ != closed; }

    // Tries to take the lock for at most `limit`: std::errc::resource_unavailable_try_again
    // when another holder kept it all that time.
    std::error_code lock(std::chrono::milliseconds limit) noexcept;
    void unlock() noexcept;

private:
    static constexpr long long closed = -1;
    long long handle_ = closed;  // a descriptor on Linux, a HANDLE's value on Windows
};

// Tries `attempt` (which returns std::errc::resource_unavailable_try_again while the lock is
// held elsewhere) until it succeeds, fails otherwise, or `limit` has passed, pausing between
// tries for a time that grows from 1 ms to 16 ms.
template <class Attempt>
std::error_code retryFor(std::chrono::milliseconds limit, Attempt attempt);

}  // namespace platform

#include "addon001/platform/detail/retry_for.h"
