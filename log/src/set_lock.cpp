#include "set_lock.h"

#include <boost/nowide/convert.hpp>

#include "addon001/log/format.h"
#include "addon001/platform/thread_id.h"

namespace Log::detail {

namespace {
// The lock file may be opened, and so locked, by exactly those who may write the live file
// (read and write where the live file grants write), and always by its owner: from the live
// file's permissions, or the folder's before there is a live file.
unsigned lockPermissions(const platform::Folder& folder, const std::wstring& live,
                         const platform::AppendFile& file) {
    unsigned permissions = 0;
    if (file.isOpen()) {
        permissions = file.permissions();
    } else if (const platform::EntryStatus named = folder.status(live);
               named.kind == platform::EntryStatus::Kind::file) {
        permissions = named.permissions;
    } else {
        permissions = folder.status(L".").permissions;
    }
    const unsigned writers = permissions & 0222u;
    return writers | (writers << 1) | 0600u;
}
}  // namespace

void SetLock::reset() noexcept {
    file_.close();
    fileProblem_.clear();
}

std::error_code SetLock::take(platform::Folder& folder, const std::wstring& live,
                              const platform::AppendFile& file) {
    const std::uint32_t process = platform::currentProcessId();
    if (process != owner_) {
        // Forked since the lock file was opened: its open file, and the lock on it, are the
        // parent's as much as ours, and so is the folder's.
        file_.close();
        if (owner_ != 0) folder.refresh(true);
        owner_ = process;
    }
    if (!file_.isOpen()) {
        fileProblem_ = file_.open(folder, live + boost::nowide::widen(format::lockSuffix),
                                  lockPermissions(folder, live, file));
    }
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
