#include "addon001/log/rolling_output_to_file.h"

#include <boost/thread/mutex.hpp>
#include <chrono>
#include <sstream>

#include "addon001/log/detail/init_priority.h"
#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/platform/append_file.h"
#include "addon001/platform/folder.h"
#include "addon001/platform/fork_handlers.h"
#include "backoff.h"
#include "backup_set.h"
#include "set_lock.h"

namespace Log {

namespace {
using Clock = std::chrono::steady_clock;
using Kind = platform::EntryStatus::Kind;

std::string because(const char* what, const std::error_code& error) {
    return std::string(what) + ": " + error.message();
}

std::string records(long count) {
    return std::to_string(count) + (count == 1 ? " record" : " records");
}
}  // namespace

// Initialised with a constant, so set before any code runs, whatever the order of construction.
std::atomic<bool> RollingOutputToFile::enabled{false};

class ADDONLOG_LOCAL RollingOutputToFile::Sink {
public:
    void open(const std::wstring& newPath);
    void close();
    void write(std::string_view text);

    static Sink instance;

private:
    // What the records go to. Each mode is entered by one function of its own.
    enum class Mode {
        closed,   // not opened, closed, or the open failed
        live,     // the file that the live name names
        former,   // a file the live name no longer names, since the live file could not be
                  // opened: the records are counted, and opening the live file is tried again
                  // after a gap that grows with each failure
        down,     // no file can be written: the records are counted and dropped, and opening
                  // the live file is tried again after a gap that grows with each failure
        refused,  // opened twice: disabled until close and open
    };

    // Refreshes the enabled flag on every way out of a locked operation.
    struct StatePublisher {
        const Sink& sink;
        ~StatePublisher() {
            const Mode mode = sink.mode;
            enabled.store(mode == Mode::live || mode == Mode::former || mode == Mode::down,
                          std::memory_order_relaxed);
        }
    };

    bool enterLive(platform::AppendFile& opened, bool freshLine = false);
    void enterFormer(const std::string& why);
    void enterDown(const std::string& why, long dropped);

    void startRetries();
    bool retryDue();
    void writeToFile(std::string_view text);
    void writeWhileDown(std::string_view text);
    void checkLiveFile();
    void followLiveFile();
    void rotate();
    void rotateUnderLock();
    void rotationFailed(const detail::RotationResult& result);
    void dropLiveFile();
    void tellLockProblem(const std::error_code& refused);
    std::error_code openLive(platform::AppendFile& opened, platform::OpenMode mode);
    bool writeRecord(const std::string& message);
    bool put(std::string_view text, long dropped);
    void noteFile();

    // Runs `step` under the lock that the rotations of every process on the set share; the
    // reason when the lock could not be had (and the step did not run).
    template <class Step>
    std::error_code underSetLock(Step step) {
        return setLock.run(folder, live, file, step);
    }

    // Constructed in this order: the lock, the folder and the file.
    boost::mutex mutex;
    platform::Folder folder;
    std::wstring live;  // the live file's name in the folder
    platform::AppendFile file;
    detail::SetLock setLock{std::chrono::milliseconds(lockWaitMs)};
    Mode mode = Mode::closed;
    bool toldNoLock = false;  // that no lock keeps rotations apart

    // The file written: which one it is, its size as stored (counted, and asked of the system
    // at each check, so that other processes' lines count too), and when to check next whether
    // the live name still names it.
    platform::FileIdentity identity;
    std::int64_t size = 0;
    Clock::time_point nextCheck{};

    // Rotations that failed since the last one that worked, and where the last one stopped; the
    // size at which the next one is tried.
    detail::Backoff rotation{firstRetryGap, maxSize};
    int failedRotations = 0;
    detail::RotationResult lastFailure;

    // While former or down: the records that went there or were dropped, why, and when to try
    // the live file again (by that count, or by the clock).
    long missed = 0;
    std::string reason;
    detail::Backoff reopen{1, retryGapLimit};
    Clock::time_point reopenBy{};
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
    // A process copied by fork() while another thread writes a record gets the sink unlocked.
    static const bool forkHandled =
        (platform::onFork([] { instance.mutex.lock(); }, [] { instance.mutex.unlock(); },
                          [] { instance.mutex.unlock(); }),
         true);
    static_cast<void>(forkHandled);
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher{*this};
    if (mode != Mode::closed) {
        mode = Mode::refused;  // the file in use stays open
        return;
    }
    // Made absolute now, so that a later change of the working folder changes nothing.
    const platform::SplitPath split = platform::splitPath(platform::absolutePath(newPath));
    live = split.name;
    setLock.reset();
    toldNoLock = false;
    if (folder.open(split.folder)) return;
    // Neither a link nor a folder in the live file's place is opened, nor a lock file made.
    const Kind named = folder.status(live).kind;
    if (named == Kind::link || named == Kind::folder) return folder.close();
    // A rotation that a crash interrupted is completed first (unless another process holds the
    // lock: then it is that process's rotation in progress).
    const std::error_code refused =
        underSetLock([this] { detail::BackupSet(folder, live).recover(); });
    platform::AppendFile opened;
    if (openLive(opened, platform::OpenMode::append)) return folder.close();
    mode = Mode::live;
    if (enterLive(opened, true)) tellLockProblem(refused);
}

void RollingOutputToFile::Sink::close() {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher{*this};
    file.close();
    folder.close();
    setLock.reset();
    mode = Mode::closed;
}

void RollingOutputToFile::Sink::write(std::string_view text) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher{*this};
    if (mode == Mode::live || mode == Mode::former) {
        writeToFile(text);
    } else if (mode == Mode::down) {
        writeWhileDown(text);
    }
}

// Takes up a live file just opened, after one record that says what went elsewhere meanwhile.
// With `freshLine`, a file that stops in the middle of a line (a crash or a full disk cut it,
// a reset left NUL bytes) first gets a line end; not when another process's rotation made it,
// whose last line may be in the middle of being written. False when it cannot be written: the
// sink is then down.
bool RollingOutputToFile::Sink::enterLive(platform::AppendFile& opened, bool freshLine) {
    file.swap(opened);
    opened.close();
    noteFile();
    const std::optional<char> last = freshLine ? file.lastByte() : std::nullopt;
    if (last && *last != '\n' && !put("\n", 0)) return false;
    if (mode == Mode::former && missed > 0 &&
        !writeRecord("Log file: " + records(missed) +
                     " written to a former live file, not to the live file (" + reason + ")")) {
        return false;
    }
    if (mode == Mode::down &&
        !writeRecord("Log file: " + records(missed) + " dropped (" + reason + ")")) {
        return false;
    }
    mode = Mode::live;
    missed = 0;
    rotation.reset();
    failedRotations = 0;
    return true;
}

// The file in use is kept: the records go on into it, counted, with one record there first.
void RollingOutputToFile::Sink::enterFormer(const std::string& why) {
    mode = Mode::former;
    missed = 0;
    reason = why;
    startRetries();
    writeRecord("Log file: " + why +
                "; the records go on into this file, which the live name no longer names");
}

// The file is let go at once (a file on a full disk, say, is opened again at the retry); the
// sink stays enabled, so that every record still comes here and is counted.
void RollingOutputToFile::Sink::enterDown(const std::string& why, long dropped) {
    file.close();
    missed = (mode == Mode::down ? missed : 0) + dropped;
    if (mode != Mode::down) startRetries();
    mode = Mode::down;
    reason = why;
}

void RollingOutputToFile::Sink::startRetries() {
    reopen.reset();
    reopen.failed(missed);
    reopenBy = Clock::now() + std::chrono::milliseconds(retryIntervalMs);
}

// Whether to try the live file again: at the first record after a gap that doubles with each
// failed try, and at the first one after retryInterval; cheap per record, and a quiet process
// comes back soon.
bool RollingOutputToFile::Sink::retryDue() {
    const Clock::time_point now = Clock::now();
    if (!reopen.due(missed) && now < reopenBy) return false;
    reopen.failed(missed);
    reopenBy = now + std::chrono::milliseconds(retryIntervalMs);
    return true;
}

void RollingOutputToFile::Sink::writeToFile(std::string_view text) {
    if (mode == Mode::former ? retryDue() : Clock::now() >= nextCheck) checkLiveFile();
    if (!put(text, 1)) return;
    if (mode == Mode::former) {
        ++missed;  // a former live file is not rotated
    } else if (size > maxSize && rotation.due(size)) {
        rotate();
    }
}

void RollingOutputToFile::Sink::writeWhileDown(std::string_view text) {
    if (!retryDue()) {
        ++missed;
        return;
    }
    platform::AppendFile opened;
    if (const std::error_code error = openLive(opened, platform::OpenMode::append)) {
        reason = because("the live file could not be opened", error);
        ++missed;
    } else if (enterLive(opened, true)) {
        writeToFile(text);
    } else {
        ++missed;
    }
}

// Now and then, and at the first record after a quiet spell: the file's real size, and
// whether the live name still names it (another process may have rotated it away).
void RollingOutputToFile::Sink::checkLiveFile() {
    noteFile();
    const platform::EntryStatus named = folder.status(live);
    if (mode == Mode::live && named.kind != Kind::missing && named.identity == identity) return;
    followLiveFile();
}

// The live name names another file than ours: it is opened anew; when that fails, the records
// go on into the file in use.
void RollingOutputToFile::Sink::followLiveFile() {
    platform::AppendFile opened;
    if (const std::error_code error = openLive(opened, platform::OpenMode::append)) {
        if (mode == Mode::live) enterFormer(because("the live file could not be opened", error));
        return;
    }
    enterLive(opened);
}

void RollingOutputToFile::Sink::rotate() {
    const std::error_code refused = underSetLock([this] { rotateUnderLock(); });
    if (mode != Mode::live) return;
    // Postponed, with the gaps of a failed rotation, while the lock is held elsewhere.
    if (refused) rotation.failed(size);
    tellLockProblem(refused);
}

// With the set's lock held, no other process is rotating. If one has rotated our file away
// since we opened it (or the live name was removed or replaced), the new live file is taken
// up instead of rotating again.
void RollingOutputToFile::Sink::rotateUnderLock() {
    checkLiveFile();
    if (mode != Mode::live || size <= maxSize) return;
    const detail::RotationResult result = detail::BackupSet(folder, live).rotate();
    if (!result.ok()) return rotationFailed(result);
    platform::AppendFile opened;
    if (const std::error_code error = openLive(opened, platform::OpenMode::append)) {
        return enterFormer(because("the live file could not be opened after a rotation", error));
    }
    enterLive(opened);
}

// Tried again once the file has grown by a gap that doubles with each failure, so that a
// rotation that keeps failing costs little per line; at the cap at the latest.
void RollingOutputToFile::Sink::rotationFailed(const detail::RotationResult& result) {
    ++failedRotations;
    lastFailure = result;
    if (size > sizeCap) return dropLiveFile();
    rotation.failed(size, sizeCap);
}

// As a rotation without backups would: the live file is emptied, so that the disk does not
// fill up, and the first line of the new one says what was lost and why.
void RollingOutputToFile::Sink::dropLiveFile() {
    const std::string record =
        "Log file: " + std::to_string(size) + " bytes of the live file dropped after " +
        std::to_string(failedRotations) + " failed rotations (" + lastFailure.describe() + ")";
    platform::AppendFile opened;
    if (const std::error_code error = openLive(opened, platform::OpenMode::truncate)) {
        return enterDown(because("the live file could not be emptied", error), 0);
    }
    if (enterLive(opened)) writeRecord(record);
}

// Once, until a lock can be had again: rotations that no lock keeps apart from other
// processes' are not run at all. (A lock on the folder standing in for the lock file needs no
// word: it keeps them apart as well.)
void RollingOutputToFile::Sink::tellLockProblem(const std::error_code& refused) {
    const bool noLock = refused && refused != std::errc::resource_unavailable_try_again;
    if (noLock && !toldNoLock) {
        writeRecord("Log file: neither the lock file nor the log folder can be locked (" +
                    refused.message() +
                    "); the live file is not rotated until one can be, and keeps every line");
    }
    toldNoLock = noLock;
}

// The live file is opened in the folder the path names now: a folder removed and made again
// is opened anew, and with it the set's lock file.
std::error_code RollingOutputToFile::Sink::openLive(platform::AppendFile& opened,
                                                    platform::OpenMode openMode) {
    std::error_code error = opened.open(folder, live, openMode);
    if (error && folder.refresh()) {
        setLock.reset();
        error = opened.open(folder, live, openMode);
    }
    return error;
}

// A record of the sink's own; false when it could not be written (the sink is then down).
bool RollingOutputToFile::Sink::writeRecord(const std::string& message) {
    std::ostringstream record;
    FlatFormatPolicy::writeHeader(record, ERR);
    record << message << '\n';
    return put(record.str(), 0);
}

// Writes `text` and counts what the file grew by; a write that fails takes the sink down,
// with `dropped` records lost.
bool RollingOutputToFile::Sink::put(std::string_view text, long dropped) {
    std::uint64_t stored = 0;
    const std::error_code error = file.write(text, stored);
    size += static_cast<std::int64_t>(stored);
    if (error) enterDown(because("the live file could not be written", error), dropped);
    return !error;
}

void RollingOutputToFile::Sink::noteFile() {
    std::uint64_t real = 0;
    if (!file.status(identity, real)) size = static_cast<std::int64_t>(real);
    nextCheck = Clock::now() + std::chrono::milliseconds(identityCheckIntervalMs);
}

}  // namespace Log
