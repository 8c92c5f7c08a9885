#include "set_lock.h"

#include "addon001/platform/thread_id.h"

namespace Log::detail {

void SetLock::reset() noexcept {
    file_.close();
    fileProblem_.clear();
}

std::error_code SetLock::take(platform::Folder& folder, const std::wstring& lockName,
                              unsigned permissions) {
    const std::uint32_t process = platform::currentProcessId();
    if (process != owner_) {
        // Forked since the lock file was opened: its open file, and the lock on it, are the
        // parent's as much as ours, and so is the folder's.
        file_.close();
        if (owner_ != 0) folder.refresh(true);
        owner_ = process;
    }
    if (!file_.isOpen()) fileProblem_ = file_.open(folder, lockName, permissions);
    onFolder_ = !file_.isOpen();
    if (!onFolder_) return file_.lock(wait_);
    const std::error_code folderLock = folder.lock(wait_);
    // Neither lock can be had at all: the lock file's problem is the one to tell.
    if (folderLock && folderLock != std::errc::resource_unavailable_try_again) return fileProblem_;
    return folderLock;
}

void SetLock::release(platform::Folder& folder) noexcept {
    if (onFolder_) {
        folder.unlock();
    } else {
        file_.unlock();
    }
}

}  // namespace Log::detail
