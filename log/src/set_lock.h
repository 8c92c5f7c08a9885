#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <system_error>

#include "addon001/platform/append_file.h"
#include "addon001/platform/file_lock.h"
#include "addon001/platform/folder.h"

namespace Log::detail {

// The lock under which the processes logging to one set rotate it, one at a time: a lock on
// the set's lock file ("<live>.lock"), or, when that file cannot be used (a folder in its
// place, no permission, a read-only mount), a lock on the log folder itself. Nobody waits for
// it longer than `wait`: a holder that never lets go (another user, a stopped process) only
// postpones the rotation. A process made by fork() shares its parent's open lock file, and with
// it the lock; it opens its own before it first takes the lock.
class SetLock {
public:
    explicit SetLock(std::chrono::milliseconds wait) : wait_(wait) {}

    // Forgets the lock file (a new set, a folder opened anew); the next run opens it again.
    void reset() noexcept;

    // Runs `step` holding the lock of the set of `live` in `folder`, whose live file, when
    // open, is `file`; the reason when the lock could not be had, and the step did not run:
    // std::errc::resource_unavailable_try_again while another holder keeps it, the lock file's
    // problem when neither it nor the folder can be locked at all.
    template <class Step>
    std::error_code run(platform::Folder& folder, const std::wstring& live,
                        const platform::AppendFile& file, Step step) {
        const std::error_code refused = take(folder, live, file);
        if (refused) return refused;
        step();
        release(folder);
        return {};
    }

private:
    std::error_code take(platform::Folder& folder, const std::wstring& live,
                         const platform::AppendFile& file);
    void release(platform::Folder& folder) noexcept;

    std::chrono::milliseconds wait_;
    platform::FileLock file_;
    std::error_code fileProblem_;
    bool onFolder_ = false;    // the lock held is the folder's
    std::uint32_t owner_ = 0;  // the process that opened the lock file
};

}  // namespace Log::detail
