#pragma once

#include <atomic>
#include <boost/thread/mutex.hpp>
#include <ios>
#include <string>

namespace platform {
class WidePathOutputStream;
}

namespace Log {

// The log file: one live file, flushed after every line and rolled over into numbered backups
// ("path.1" newest to "path.6" oldest) once it has grown past 10 MiB. Process-wide state; one
// mutex guards everything that touches the file. The sink starts closed and reports no errors
// of its own: a file that cannot be opened simply disables logging. Only the lock can throw.
class RollingOutputToFile {
public:
    static constexpr int backupCount = 6;
    static constexpr std::streamoff maxSize = 10 * 1024 * 1024;

    // Opens the live file for appending. Expects a closed sink: on an open one the file stays
    // open but the sink is disabled until the next close and open.
    static void open(const std::wstring& newPath);
    // Closes the live file; the path is kept.
    static void close();
    // Writes one complete line, flushes it, and rolls the file over when it has grown past
    // maxSize.
    static void write(const std::string& text);
    // True while the live file is open and its stream is good. Takes no lock: a statement may
    // pass it just before the sink closes, and its write then writes nothing.
    static bool isEnabled() { return enabled.load(std::memory_order_relaxed); }

private:
    class StatePublisher;

    static void rotate();
    static void shiftBackups();
    static std::wstring backupName(int number);

    static boost::mutex mutex;
    static platform::WidePathOutputStream file;
    static std::wstring path;
    // Mirror of "file open and good", updated under the lock whenever the stream may have
    // changed, so that the unlocked test reads one atomic flag instead of the stream.
    static std::atomic<bool> enabled;
};

}  // namespace Log
