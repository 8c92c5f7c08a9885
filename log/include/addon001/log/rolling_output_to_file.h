#pragma once

#include <atomic>
#include <boost/thread/mutex.hpp>
#include <ios>
#include <string>
#include <string_view>

namespace platform {
class AppendFile;
}

namespace Log {

// The log file: one live file, flushed after every line and rolled over into numbered backups
// ("path.1" newest to "path.6" oldest) once it has grown past 10 MiB. Process-wide state; one
// mutex guards everything that touches the file. The sink starts closed and reports no errors
// of its own: a file that cannot be opened simply disables logging. Only the lock can throw.
//
// Under faults it loses no line it can keep:
// - A rotation moves the live file aside first ("path.rotating") and touches the backups only
//   once that has worked; a rotation interrupted there (a crash) is completed, or undone, by
//   the next rotation or open.
// - A rotation that fails keeps the live file's lines and is tried again after the file has
//   grown by a gap that doubles with each further failure. Past sizeCap the live file's
//   content is dropped after all, and the new live file starts with one record saying so.
// - A live file that ends in the middle of a line (a crash, a full disk) gets a line end on
//   open, so that the first new record starts a line of its own.
class RollingOutputToFile {
public:
    static constexpr int backupCount = 6;
    // Appended to the live file's name while a rotation moves it to backup 1: between the live
    // file and backup 1 in the set's order, for readers that follow the set.
    static constexpr char rotatingSuffix[] = ".rotating";
    static constexpr std::streamoff maxSize = 10 * 1024 * 1024;
    // While rotations keep failing, the live file may grow to this size and keeps every line;
    // past it the next failure drops the live file's content.
    static constexpr std::streamoff sizeCap = 4 * maxSize;
    // After the first failed rotation, the next try waits for this many more bytes.
    static constexpr std::streamoff firstRetryGap = 64 * 1024;

    // Opens the live file for appending. Expects a closed sink: on an open one the file stays
    // open but the sink is disabled until the next close and open.
    static void open(const std::wstring& newPath);
    // Closes the live file; the path is kept.
    static void close();
    // Writes one complete line in one system call (nothing is buffered), and rolls the file
    // over when it has grown past maxSize.
    static void write(std::string_view text);
    // True while the live file is open and its stream is good. Takes no lock: a statement may
    // pass it just before the sink closes, and its write then writes nothing.
    static bool isEnabled() { return enabled.load(std::memory_order_relaxed); }

private:
    class StatePublisher;

    // The step at which the last rotation stopped, for the record that reports dropped lines.
    enum class Failure {
        none,
        liveFileIsAFolder,  // a folder has taken the live file's name
        liveFileNotMoved,   // the live file could not be moved aside (held open, say)
        oldestNotRemoved,   // the oldest backup could not be removed
        backupNotMoved,     // backup failedBackup could not take the next number
        movedFileNotPlaced  // the moved-aside live file could not take backup 1's name
    };

    static void rotate(std::streamoff size);
    static bool moveToBackups();
    static bool placeMovedFile();
    static bool shiftBackups();
    static bool recoverMovedFile();
    static void rotationFailed(std::streamoff size);
    static void dropLiveFile(std::streamoff size);
    static void startOnFreshLine();
    static void resetRotationState();
    static std::wstring backupName(int number);
    static std::wstring movedName();

    static boost::mutex mutex;
    static platform::AppendFile file;
    static std::wstring path;
    // Mirror of "file open and good", updated under the lock whenever the stream may have
    // changed, so that the unlocked test reads one atomic flag instead of the stream.
    static std::atomic<bool> enabled;
    // The write position past which the next write rotates: maxSize, or later while rotations
    // keep failing.
    static std::streamoff rotationDueAt;
    // How much further the file must grow after the next failed rotation before another try.
    static std::streamoff retryGap;
    // Rotations that failed since the last one that worked, and where the last one stopped.
    static int failedRotations;
    static Failure failure;
    static int failedBackup;
};

}  // namespace Log
