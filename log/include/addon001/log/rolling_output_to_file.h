#pragma once

#include <atomic>
#include <ios>
#include <string>
#include <string_view>

#include "addon001/log/export.h"
#include "addon001/log/format.h"

namespace Log {

// The log file: one live file, written line by line and rolled over into numbered backups
// ("path.1" newest to "path.6" oldest) once it has grown past 10 MiB. Process-wide state; one
// mutex guards everything that touches the file (its state lives in the library's source, so
// that this header pulls in no threading library). The sink starts closed; opening a file that
// cannot be opened leaves it disabled. Only the lock can throw.
//
// Each record costs one system call, its write; the file's size is counted, and asked of the
// system only when the sink looks at the live file (at most every identityCheckInterval) and
// before it rotates. A single process rotates exactly at the write that takes the file past
// maxSize; beside other processes, the file passes it by at most one line of each plus what
// they wrote within the interval.
//
// Under faults it loses no line it can keep:
// - A rotation moves the live file aside first ("path.rotating") and touches the backups only
//   once that has worked; a rotation interrupted there (a crash) is completed, or undone, by
//   the next rotation or open.
// - A rotation that fails keeps the live file's lines and is tried again after the file has
//   grown by a gap that doubles with each further failure. Past sizeCap the live file's
//   content is dropped after all, and the new live file starts with one record saying so.
// - A write that fails (a full disk) or a live file that cannot be opened (no descriptors left)
//   does not switch logging off: the sink stays enabled, counts the records it cannot write,
//   and opens the live file again at the next record after a gap that doubles with each failed
//   try (at most retryGapLimit records, or retryInterval). The first record that gets through
//   is preceded by one ERR record with the number of records dropped and the system's reason.
//   While the live file cannot be opened but the file in use can still be written (it was
//   rotated away, removed, or replaced), the records go on into that file, counted, and the
//   live file's first record later says how many went there and why.
// - A live file that ends in the middle of a line (a crash, a full disk) gets a line end on
//   open, so that the first new record starts a line of its own.
//
// Several processes may log to one path. Each rotation holds an advisory lock on the file
// "path.lock" (beside the live file, never renamed or removed, not part of the log set, and
// readable only by those who may write the live file), or on the log folder when that file
// cannot be used; so rotations run one at a time and in order. Nobody waits for that lock
// longer than lockWait: a holder that keeps it (another user, a stopped process) only postpones
// the rotation, and the live file keeps every line meanwhile. A process made by fork() takes
// part as a process of its own. A process whose live file was rotated away by another notices
// it when its own writes take that file past the limit, and at the latest at its first record
// after identityCheckInterval, and opens the live file anew before it writes on; so at most
// the one record in flight lands at the end of the file just rotated.
//
// Others who may write the log folder cannot redirect the records: no file of the set is
// opened, created, emptied or renamed onto through a symbolic link, and no pipe is written. A
// link in the live file's place is a foreign file: it is left alone, one ERR record says so,
// and the records go on into the file in use. The path is made absolute at open (a later
// change of the working folder changes nothing) and, where the system allows, the files are
// named relative to the folder opened then; the folder itself may be reached through a link.
class ADDONLOG_API RollingOutputToFile {
public:
    // The names and sizes of the set (addon001/log/format.h).
    static constexpr int backupCount = format::backupCount;
    static constexpr const char* rotatingSuffix = format::rotatingSuffix;
    static constexpr const char* lockSuffix = format::lockSuffix;
    static constexpr std::streamoff maxSize = format::maxFileSize;
    // While rotations keep failing, the live file may grow to this size and keeps every line;
    // past it the next failure drops the live file's content.
    static constexpr std::streamoff sizeCap = 4 * maxSize;
    // After the first failed rotation, the next try waits for this many more bytes.
    static constexpr std::streamoff firstRetryGap = 64 * 1024;
    // While the file cannot be written, the number of records between two tries to open it
    // again doubles from 1 up to this; a try also comes at the first record after
    // retryInterval.
    static constexpr long retryGapLimit = 1024;
    static constexpr long long retryIntervalMs = 1000;
    // How often, at most, a process asks whether its live file is still the one the path names
    // (another process may have rotated it away).
    static constexpr long long identityCheckIntervalMs = 10;
    // The longest a rotation waits for the lock that other processes' rotations hold.
    static constexpr long long lockWaitMs = 250;

    // Opens the live file for appending. Expects a closed sink: on an open one the file stays
    // open but the sink is disabled until the next close and open.
    static void open(const std::wstring& newPath);
    // Closes the live file; the path is kept.
    static void close();
    // Writes one complete line in one system call (nothing is buffered), and rolls the file
    // over when it has grown past maxSize.
    static void write(std::string_view text);
    // True from a successful open to the next close (also while a fault keeps the file from
    // being written: the records are then counted and reported). Takes no lock: a statement
    // may pass it just before the sink closes, and its write then writes nothing.
    static bool isEnabled() { return enabled.load(std::memory_order_relaxed); }

private:
    // The sink's state and its steps (in the library's source).
    class Sink;

    // Mirror of the sink's state, updated under the lock, so that the unlocked test reads one
    // atomic flag.
    static std::atomic<bool> enabled;
};

}  // namespace Log
