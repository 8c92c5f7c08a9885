#include "addon001/log/rolling_output_to_file.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "addon001/log/detail/init_priority.h"
#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/platform/wide_path_file.h"

namespace Log {

// Constructed before the module's other static objects and destroyed after them, in this
// order, so that any of them may still log while they are destroyed.
boost::mutex RollingOutputToFile::mutex ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
platform::AppendFile RollingOutputToFile::file ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
std::wstring RollingOutputToFile::path ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
// Initialised with constants, so set before any code runs, whatever the order of construction.
std::atomic<bool> RollingOutputToFile::enabled{false};
std::streamoff RollingOutputToFile::rotationDueAt = maxSize;
std::streamoff RollingOutputToFile::retryGap = firstRetryGap;
int RollingOutputToFile::failedRotations = 0;
RollingOutputToFile::Failure RollingOutputToFile::failure = Failure::none;
int RollingOutputToFile::failedBackup = 0;

// Refreshes the enabled flag on every way out of a locked operation.
class RollingOutputToFile::StatePublisher {
public:
    StatePublisher() = default;
    StatePublisher(const StatePublisher&) = delete;
    StatePublisher& operator=(const StatePublisher&) = delete;
    ~StatePublisher() { enabled.store(file.isOpen() && file.good(), std::memory_order_relaxed); }
};

void RollingOutputToFile::open(const std::wstring& newPath) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher;
    path = newPath;
    file.clear();
    // A rotation that a crash interrupted is completed before the live file is opened again.
    if (!file.isOpen()) recoverMovedFile();
    file.open(path, platform::OpenMode::append);
    if (!file.good()) return;
    resetRotationState();
    startOnFreshLine();
}

void RollingOutputToFile::close() {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher;
    file.close();
}

void RollingOutputToFile::write(std::string_view text) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher;
    file.write(text);
    // After the write the write position is the end of the file in bytes as stored, lines of
    // other programs included; a failed file answers -1 and is never rotated.
    const std::streamoff position = file.position();
    if (position > rotationDueAt) rotate(position);
}

void RollingOutputToFile::rotate(std::streamoff size) {
    static_assert(backupCount > 0, "a rotation moves the live file to backup 1");
    // A folder that has taken the live file's name is not ours to move, and could not be
    // opened in its place either: the open file is kept, and the rotation tried again later.
    const platform::PathKind live = platform::pathKind(path);
    if (live == platform::PathKind::folder) {
        failure = Failure::liveFileIsAFolder;
        rotationFailed(size);
        return;
    }
    // Closed first: Windows does not rename a file that is open without delete sharing.
    file.close();
    file.clear();
    // A live file removed from under the sink needs no moving: a new one is simply started.
    const bool moved = live == platform::PathKind::missing || moveToBackups();
    // Moved: the new live file is empty; appending still sends every write to its end, behind
    // whatever another program writes there. Not moved: the live file keeps its lines and is
    // written on.
    file.open(path, platform::OpenMode::append);
    if (moved) {
        resetRotationState();
    } else {
        rotationFailed(size);
    }
}

bool RollingOutputToFile::moveToBackups() {
    // The live file is moved aside first, so that no backup is touched unless it really can
    // be moved (another program may hold it open without delete sharing).
    if (!recoverMovedFile()) return false;
    if (!platform::renameFile(path, movedName())) {
        failure = Failure::liveFileNotMoved;
        return false;
    }
    if (placeMovedFile()) return true;
    // The backups could not make room: the live file gets its name back. Should that fail too
    // (another program has created the live file meanwhile), the moved file stays and a later
    // rotation or open places it.
    platform::renameFile(movedName(), path);
    return false;
}

bool RollingOutputToFile::placeMovedFile() {
    if (!shiftBackups()) return false;
    if (platform::renameFile(movedName(), backupName(1))) return true;
    failure = Failure::movedFileNotPlaced;
    return false;
}

bool RollingOutputToFile::shiftBackups() {
    // Each backup moves one number up, from the first free number down, so that each rename
    // targets the name just vacated. Only when every number is taken is the oldest backup
    // removed; a gap (a backup removed by hand, a rotation interrupted halfway) is filled
    // instead. The first step that fails ends the shift: the backup that cannot move blocks
    // every one below it, and those above it keep the numbers they have moved to, so that
    // trying again moves nothing further.
    int free = 1;
    while (free <= backupCount &&
           platform::pathKind(backupName(free)) != platform::PathKind::missing) {
        ++free;
    }
    if (free > backupCount) {
        free = backupCount;
        if (!platform::removeFile(backupName(free))) {
            failure = Failure::oldestNotRemoved;
            return false;
        }
    }
    for (int number = free - 1; number >= 1; --number) {
        if (!platform::renameFile(backupName(number), backupName(number + 1))) {
            failure = Failure::backupNotMoved;
            failedBackup = number;
            return false;
        }
    }
    return true;
}

bool RollingOutputToFile::recoverMovedFile() {
    // A rotation interrupted after the live file was moved aside (a crash, or a live file that
    // could not get its name back) left the moved file. It is placed into backup 1 now, as the
    // rotation meant to; if the backups cannot make room, it gets the live file's name back
    // when that is free. False when it is still there.
    if (platform::pathKind(movedName()) != platform::PathKind::file) return true;
    return placeMovedFile() || platform::renameFile(movedName(), path);
}

void RollingOutputToFile::rotationFailed(std::streamoff size) {
    ++failedRotations;
    if (size > sizeCap) {
        dropLiveFile(size);
        return;
    }
    // Tried again once the file has grown by the gap, which doubles with each failure, so that
    // a rotation that keeps failing costs little per line; at the cap at the latest.
    rotationDueAt = std::min(size + retryGap, sizeCap);
    retryGap *= 2;
}

void RollingOutputToFile::dropLiveFile(std::streamoff size) {
    // As a rotation without backups would: the live file is emptied, so that the disk does not
    // fill up, and the first line of the new one says what was lost and why.
    std::ostringstream record;
    FlatFormatPolicy::writeHeader(record, ERR);
    record << "Log file: " << size << " bytes of the live file dropped after " << failedRotations
           << " failed rotations (";
    switch (failure) {
        case Failure::liveFileIsAFolder:
            record << "a folder has taken the live file's name";
            break;
        case Failure::liveFileNotMoved:
            record << "the live file could not be renamed";
            break;
        case Failure::oldestNotRemoved:
            record << "backup " << backupCount << " could not be removed";
            break;
        case Failure::backupNotMoved:
            record << "backup " << failedBackup << " could not be renamed to backup "
                   << failedBackup + 1;
            break;
        case Failure::movedFileNotPlaced:
        case Failure::none:
            record << "the live file could not be renamed to backup 1";
            break;
    }
    record << ")\n";
    file.close();
    file.clear();
    file.open(path, platform::OpenMode::truncate);
    resetRotationState();
    file.write(record.str());
}

void RollingOutputToFile::startOnFreshLine() {
    // A live file that ends in the middle of a line (a crash or a full disk cut it) or in NUL
    // bytes (padding left by a machine reset) gets a line end first, so that the first new
    // record starts a line of its own; the bytes already there stay as they are.
    const std::optional<char> last = platform::lastByte(path);
    if (last && *last != '\n') {
        file.write("\n");
    }
}

void RollingOutputToFile::resetRotationState() {
    rotationDueAt = maxSize;
    retryGap = firstRetryGap;
    failedRotations = 0;
    failure = Failure::none;
    failedBackup = 0;
}

std::wstring RollingOutputToFile::backupName(int number) {
    std::wostringstream name;
    name << path << L'.' << number;
    return name.str();
}

std::wstring RollingOutputToFile::movedName() {
    const std::string_view suffix = rotatingSuffix;
    return path + std::wstring(suffix.begin(), suffix.end());
}

}  // namespace Log
