#include "addon001/log/rolling_output_to_file.h"

#include <algorithm>
#include <boost/thread/mutex.hpp>
#include <cerrno>
#include <chrono>
#include <optional>
#include <sstream>
#include <system_error>

#include "addon001/log/detail/init_priority.h"
#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/platform/file_lock.h"
#include "addon001/platform/wide_path_file.h"

namespace Log {

namespace {
using Clock = std::chrono::steady_clock;

// The system's reason for the file operation that has just failed.
std::string lastReason() {
    return std::generic_category().message(errno);
}

// Holds a file lock for a scope, when it can be had; a sink without a lock file works alone.
class LockHold {
public:
    explicit LockHold(platform::FileLock& lock) : lock_(lock), held_(lock.lock()) {}
    ~LockHold() {
        if (held_) lock_.unlock();
    }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

private:
    platform::FileLock& lock_;
    bool held_;
};
}  // namespace

// Initialised with a constant, so set before any code runs, whatever the order of construction.
std::atomic<bool> RollingOutputToFile::enabled{false};

class RollingOutputToFile::Sink {
public:
    void open(const std::wstring& newPath);
    void close();
    void write(std::string_view text);

    static Sink instance;

private:
    enum class Mode {
        closed,   // not opened, closed, or the open failed
        writing,  // the live file (or, while offLive, a former one) takes the records
        down,     // opened, but the file cannot be written: records are counted until a retry works
        refused,  // opened twice: disabled until close and open
    };

    // The step at which the last rotation stopped, for the record that reports dropped lines.
    enum class Failure {
        none,
        liveFileIsAFolder,  // a folder has taken the live file's name
        liveFileNotMoved,   // the live file could not be moved aside (held open, say)
        oldestNotRemoved,   // the oldest backup could not be removed
        backupNotMoved,     // backup failedBackup could not take the next number
        movedFileNotPlaced  // the moved-aside live file could not take backup 1's name
    };

    // Refreshes the enabled flag on every way out of a locked operation.
    class StatePublisher {
    public:
        explicit StatePublisher(const Sink& sink) : sink_(sink) {}
        StatePublisher(const StatePublisher&) = delete;
        StatePublisher& operator=(const StatePublisher&) = delete;
        ~StatePublisher() {
            enabled.store(sink_.mode == Mode::writing || sink_.mode == Mode::down,
                          std::memory_order_relaxed);
        }

    private:
        const Sink& sink_;
    };

    platform::AppendFile& file() { return files[active]; }
    void writeLine(std::string_view text);
    void writeWhileDown(std::string_view text);
    void enterDown(const std::string& reason, long droppedNow);
    bool followLiveFile();
    bool reopenLive();
    void reportFormerFile();
    void rotate(std::streamoff size);
    void reopenAfterRotation(bool moved, bool liveWasMissing);
    bool moveToBackups();
    bool placeMovedFile();
    bool shiftBackups();
    bool recoverMovedFile();
    void rotationFailed(std::streamoff size);
    void postponeRotation(std::streamoff size);
    void dropLiveFile(std::streamoff size);
    void writeRecord(const std::string& message);
    void startOnFreshLine();
    void resetRotationState();
    void noteIdentity();
    std::wstring backupName(int number) const;
    std::wstring suffixed(std::string_view suffix) const;

    // Constructed in this order: the lock, the file, the path.
    boost::mutex mutex;
    // The open file and a spare, so that a live file can be opened anew before the one in use
    // is let go: when the new one cannot be opened, the records go on into the old one.
    platform::AppendFile files[2];
    int active = 0;
    std::wstring path;
    platform::FileLock lockFile;
    Mode mode = Mode::closed;

    // What the live path named when this process last opened it, and when to ask again.
    std::optional<platform::FileIdentity> identity;
    Clock::time_point nextIdentityCheck{};
    // Writing into a file that the live path no longer names, since the live file could not be
    // opened: how many records went there, and why.
    bool offLive = false;
    long offLiveRecords = 0;
    std::string offLiveReason;

    // While down: records dropped, records since the last try, the gap before the next try
    // (doubling), the latest time for it, and the reason the file failed.
    long dropped = 0;
    long sinceTry = 0;
    long tryGap = 1;
    Clock::time_point nextTryAt{};
    std::string downReason;

    // The write position past which the next write rotates: maxSize, or later while rotations
    // keep failing.
    std::streamoff rotationDueAt = maxSize;
    // How much further the file must grow after the next failed rotation before another try.
    std::streamoff retryGap = firstRetryGap;
    // Rotations that failed since the last one that worked, and where the last one stopped.
    int failedRotations = 0;
    Failure failure = Failure::none;
    int failedBackup = 0;
};

// Constructed before the module's other static objects and destroyed after them, so that any
// of them may still log while they are destroyed.
RollingOutputToFile::Sink RollingOutputToFile::Sink::instance ADDONLOG_INIT_PRIORITY_ATTRIBUTE;

void RollingOutputToFile::open(const std::wstring& newPath) {
    Sink::instance.open(newPath);
}

void RollingOutputToFile::close() {
    Sink::instance.close();
}

void RollingOutputToFile::write(std::string_view text) {
    Sink::instance.write(text);
}

void RollingOutputToFile::Sink::open(const std::wstring& newPath) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher(*this);
    if (mode != Mode::closed) {
        mode = Mode::refused;  // the file in use stays open
        return;
    }
    path = newPath;
    file().clear();
    // Another process logging to this path has made the lock file; without one, nobody rotates
    // this path but us (it is made below, once the live file is open).
    lockFile.close();
    lockFile.open(suffixed(lockSuffix), false);
    {
        const LockHold hold(lockFile);
        // A rotation that a crash interrupted is completed before the live file is opened again.
        recoverMovedFile();
        file().open(path, platform::OpenMode::append);
        if (!file().good()) {
            file().clear();
            lockFile.close();
            return;
        }
        if (!lockFile.isOpen()) lockFile.open(suffixed(lockSuffix), true);
        noteIdentity();
    }
    mode = Mode::writing;
    offLive = false;
    dropped = 0;
    resetRotationState();
    startOnFreshLine();
    if (!file().good()) enterDown("the live file could not be written: " + lastReason(), 0);
}

void RollingOutputToFile::Sink::close() {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher(*this);
    if (file().isOpen()) file().close();
    file().clear();
    lockFile.close();
    mode = Mode::closed;
}

void RollingOutputToFile::Sink::write(std::string_view text) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher(*this);
    if (mode == Mode::writing) {
        writeLine(text);
    } else if (mode == Mode::down) {
        writeWhileDown(text);
    }
}

void RollingOutputToFile::Sink::writeLine(std::string_view text) {
    // Now and then, and at the first record after a quiet spell, make sure that the live path
    // still names our file: another process may have rotated it away.
    const Clock::time_point now = Clock::now();
    if (now >= nextIdentityCheck) {
        nextIdentityCheck = now + std::chrono::milliseconds(identityCheckIntervalMs);
        if (offLive || platform::pathIdentity(path) != identity) {
            if (!lockFile.isOpen()) lockFile.open(suffixed(lockSuffix), true);
            const LockHold hold(lockFile);
            followLiveFile();
        }
    }
    file().write(text);
    if (!file().good()) {
        enterDown("the live file could not be written: " + lastReason(), 1);
        return;
    }
    if (offLive) ++offLiveRecords;
    // After the write the write position is the end of the file in bytes as stored, lines of
    // other programs and processes included; a file without positions answers -1.
    const std::streamoff position = file().position();
    if (position > rotationDueAt) rotate(position);
}

void RollingOutputToFile::Sink::writeWhileDown(std::string_view text) {
    // Tried again at the first record after a gap that doubles with each failed try, and at the
    // first one after retryInterval: cheap per record, and a quiet process comes back soon.
    ++sinceTry;
    const Clock::time_point now = Clock::now();
    if (sinceTry < tryGap && now < nextTryAt) {
        ++dropped;
        return;
    }
    sinceTry = 0;
    tryGap = std::min(tryGap * 2, retryGapLimit);
    nextTryAt = now + std::chrono::milliseconds(retryIntervalMs);
    {
        if (!lockFile.isOpen()) lockFile.open(suffixed(lockSuffix), true);
        const LockHold hold(lockFile);
        if (file().isOpen()) file().close();
        file().clear();
        file().open(path, platform::OpenMode::append);
        if (!file().good()) {
            downReason = "the live file could not be opened: " + lastReason();
            file().clear();
            ++dropped;
            return;
        }
        noteIdentity();
    }
    startOnFreshLine();
    std::ostringstream report;
    report << "Log file: " << dropped << (dropped == 1 ? " record" : " records") << " dropped ("
           << downReason << ")";
    writeRecord(report.str());
    if (!file().good()) {
        downReason = "the live file could not be written: " + lastReason();
        file().close();
        file().clear();
        ++dropped;
        return;
    }
    mode = Mode::writing;
    offLive = false;
    dropped = 0;
    resetRotationState();
    nextIdentityCheck = now + std::chrono::milliseconds(identityCheckIntervalMs);
    writeLine(text);
}

void RollingOutputToFile::Sink::enterDown(const std::string& reason, long droppedNow) {
    // The file is let go at once (a file on a full disk, say, is opened again at the retry);
    // the sink stays enabled, so that every record still comes here and is counted.
    if (file().isOpen()) file().close();
    file().clear();
    mode = Mode::down;
    downReason = reason;
    dropped = droppedNow;
    sinceTry = 0;
    tryGap = 1;
    nextTryAt = Clock::now() + std::chrono::milliseconds(retryIntervalMs);
    offLive = false;
}

bool RollingOutputToFile::Sink::followLiveFile() {
    // With the lock held: the live path names another file than ours (another process rotated
    // it, or it was removed). The live file is opened anew; when that fails, the records go on
    // into the file in use, and another try follows at the next check.
    if (reopenLive()) {
        reportFormerFile();
        resetRotationState();
        return true;
    }
    if (!offLive) {
        offLive = true;
        offLiveRecords = 0;
        offLiveReason = "the live file could not be opened: " + lastReason();
    }
    return false;
}

bool RollingOutputToFile::Sink::reopenLive() {
    platform::AppendFile& spare = files[1 - active];
    spare.clear();
    spare.open(path, platform::OpenMode::append);
    if (!spare.good()) {
        const int reason = errno;
        spare.clear();
        errno = reason;
        return false;
    }
    file().close();
    file().clear();
    active = 1 - active;
    noteIdentity();
    return true;
}

void RollingOutputToFile::Sink::reportFormerFile() {
    if (!offLive) return;
    offLive = false;
    if (offLiveRecords == 0) return;
    std::ostringstream report;
    report << "Log file: " << offLiveRecords << (offLiveRecords == 1 ? " record" : " records")
           << " written to a former live file, not to the live file (" << offLiveReason << ")";
    writeRecord(report.str());
}

void RollingOutputToFile::Sink::rotate(std::streamoff size) {
    static_assert(backupCount > 0, "a rotation moves the live file to backup 1");
    // Rotations of all processes on this path run one at a time, under the lock file's lock.
    if (!lockFile.isOpen()) lockFile.open(suffixed(lockSuffix), true);
    const LockHold hold(lockFile);
    // Another process has rotated the live file (or someone removed it) since we opened it:
    // our file is its backup now, and the new live file is taken up instead of rotating again.
    if (offLive || platform::pathIdentity(path) != identity) {
        if (!followLiveFile()) postponeRotation(size);
        return;
    }
    // A folder that has taken the live file's name is not ours to move, and could not be
    // opened in its place either: the open file is kept, and the rotation tried again later.
    const platform::PathKind live = platform::pathKind(path);
    if (live == platform::PathKind::folder) {
        failure = Failure::liveFileIsAFolder;
        rotationFailed(size);
        return;
    }
    // Closed first: Windows does not rename a file that is open without delete sharing.
    file().close();
    file().clear();
    // A live file removed from under the sink needs no moving: a new one is simply started.
    const bool liveWasMissing = live == platform::PathKind::missing;
    const bool moved = liveWasMissing || moveToBackups();
    reopenAfterRotation(moved, liveWasMissing);
    if (mode != Mode::writing) return;
    if (moved) {
        resetRotationState();
    } else {
        rotationFailed(size);
    }
}

void RollingOutputToFile::Sink::reopenAfterRotation(bool moved, bool liveWasMissing) {
    // Moved: the new live file is empty; appending still sends every write to its end, behind
    // whatever another program writes there. Not moved: the live file keeps its lines and is
    // written on.
    file().open(path, platform::OpenMode::append);
    if (file().good()) {
        noteIdentity();
        return;
    }
    const std::string reason =
        "the live file could not be opened again after a rotation: " + lastReason();
    file().clear();
    // The file just closed is opened again under the name it has now, so that the sink is not
    // left without a file (on Windows a reader may have opened the live file without write
    // sharing in the moment it was closed); the live file is tried again at the next record.
    std::wstring former;
    if (moved && !liveWasMissing) {
        former = backupName(1);
    } else if (!moved && platform::pathKind(format::setFileName(path, format::rotatingPlace)) ==
                             platform::PathKind::file) {
        former = format::setFileName(path, format::rotatingPlace);
    }
    if (!former.empty()) {
        file().open(former, platform::OpenMode::append);
        if (file().good()) {
            offLive = true;
            offLiveRecords = 0;
            offLiveReason = reason;
            nextIdentityCheck = Clock::time_point{};
            return;
        }
        file().clear();
    }
    enterDown(reason, 0);
}

bool RollingOutputToFile::Sink::moveToBackups() {
    // The live file is moved aside first, so that no backup is touched unless it really can
    // be moved (another program may hold it open without delete sharing).
    if (!recoverMovedFile()) return false;
    if (!platform::renameFile(path, format::setFileName(path, format::rotatingPlace))) {
        failure = Failure::liveFileNotMoved;
        return false;
    }
    if (placeMovedFile()) return true;
    // The backups could not make room: the live file gets its name back. Should that fail too
    // (another program has created the live file meanwhile), the moved file stays and a later
    // rotation or open places it.
    platform::renameFile(format::setFileName(path, format::rotatingPlace), path);
    return false;
}

bool RollingOutputToFile::Sink::placeMovedFile() {
    if (!shiftBackups()) return false;
    if (platform::renameFile(format::setFileName(path, format::rotatingPlace), backupName(1)))
        return true;
    failure = Failure::movedFileNotPlaced;
    return false;
}

bool RollingOutputToFile::Sink::shiftBackups() {
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

bool RollingOutputToFile::Sink::recoverMovedFile() {
    // A rotation interrupted after the live file was moved aside (a crash, or a live file that
    // could not get its name back) left the moved file. It is placed into backup 1 now, as the
    // rotation meant to; if the backups cannot make room, it gets the live file's name back
    // when that is free. False when it is still there. (Under the lock file's lock no other
    // process is in the middle of a rotation, so the moved file is not one in progress.)
    if (platform::pathKind(format::setFileName(path, format::rotatingPlace)) !=
        platform::PathKind::file)
        return true;
    return placeMovedFile() ||
           platform::renameFile(format::setFileName(path, format::rotatingPlace), path);
}

void RollingOutputToFile::Sink::rotationFailed(std::streamoff size) {
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

void RollingOutputToFile::Sink::postponeRotation(std::streamoff size) {
    // Writing into a former live file: no rotation of it, only a later look at the live file.
    rotationDueAt = size + retryGap;
    retryGap = std::min(retryGap * 2, maxSize);
}

void RollingOutputToFile::Sink::dropLiveFile(std::streamoff size) {
    // As a rotation without backups would: the live file is emptied, so that the disk does not
    // fill up, and the first line of the new one says what was lost and why.
    std::ostringstream record;
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
    record << ")";
    file().close();
    file().clear();
    file().open(path, platform::OpenMode::truncate);
    resetRotationState();
    if (!file().good()) {
        enterDown("the live file could not be opened again after emptying it: " + lastReason(), 0);
        return;
    }
    noteIdentity();
    writeRecord(record.str());
    if (!file().good()) enterDown("the live file could not be written: " + lastReason(), 0);
}

void RollingOutputToFile::Sink::writeRecord(const std::string& message) {
    std::ostringstream record;
    FlatFormatPolicy::writeHeader(record, ERR);
    record << message << '\n';
    file().write(record.str());
}

void RollingOutputToFile::Sink::startOnFreshLine() {
    // A live file that ends in the middle of a line (a crash or a full disk cut it) or in NUL
    // bytes (padding left by a machine reset) gets a line end first, so that the first new
    // record starts a line of its own; the bytes already there stay as they are.
    const std::optional<char> last = platform::lastByte(path);
    if (last && *last != '\n') {
        file().write("\n");
    }
}

void RollingOutputToFile::Sink::resetRotationState() {
    rotationDueAt = maxSize;
    retryGap = firstRetryGap;
    failedRotations = 0;
    failure = Failure::none;
    failedBackup = 0;
}

void RollingOutputToFile::Sink::noteIdentity() {
    // Asked of the path just after it was opened, with the lock file's lock held: no rotation
    // of ours can rename the live file in between.
    identity = platform::pathIdentity(path);
    nextIdentityCheck = Clock::now() + std::chrono::milliseconds(identityCheckIntervalMs);
}

std::wstring RollingOutputToFile::Sink::backupName(int number) const {
    return format::setFileName(path, number);
}

std::wstring RollingOutputToFile::Sink::suffixed(std::string_view suffix) const {
    return path + std::wstring(suffix.begin(), suffix.end());
}

}  // namespace Log
