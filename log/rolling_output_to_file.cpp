#include "rolling_output_to_file.h"

#include <sstream>

#include "init_order.h"

namespace Log {

// Constructed before the module's other static objects and destroyed after them, in this
// order, so that any of them may still log while they are destroyed.
boost::mutex RollingOutputToFile::mutex MODULE_INIT_PRIORITY(MODULE_INIT_LOG_SINK);
platform::WidePathOutputStream RollingOutputToFile::file MODULE_INIT_PRIORITY(MODULE_INIT_LOG_SINK);
std::wstring RollingOutputToFile::path MODULE_INIT_PRIORITY(MODULE_INIT_LOG_SINK);
std::streamoff RollingOutputToFile::end = -1;
std::atomic<bool> RollingOutputToFile::enabled{false};

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
    file.open(path, platform::OpenMode::append);
    findEnd();
}

void RollingOutputToFile::close() {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher;
    file.close();
}

void RollingOutputToFile::write(const std::string& text) {
    boost::mutex::scoped_lock lock(mutex);
    const StatePublisher publisher;
    file << text;
    file.flush();
    // The end of the file after the flush, counted rather than asked of the system: a query
    // would cost a system call on every line. A failed stream counts as -1, never rotated.
    end = (file.good() && end >= 0) ? end + platform::storedSize(text) : -1;
    if (end > maxSize) {
        // The stream's own write position has the last word, once per rotation: a file that
        // something else has emptied meanwhile is not rotated, only counted from there on.
        end = file.tellp();
        if (end > maxSize) rotate();
    }
}

void RollingOutputToFile::findEnd() {
    // Writes go to the end of the file whatever the position, so moving it there is harmless;
    // asking the buffer rather than the stream leaves the stream's state alone where the file
    // has no end to move to.
    end = file.good()
              ? std::streamoff(file.rdbuf()->pubseekoff(0, std::ios_base::end, std::ios_base::out))
              : -1;
}

void RollingOutputToFile::rotate() {
    file.close();
    file.clear();
    bool liveFileMoved = true;
    if (backupCount > 0) {
        shiftBackups();
        liveFileMoved = platform::renameFile(path, backupName(1));
    }
    // A live file that could not be moved aside keeps its lines: it is reopened for appending,
    // and the next line written over the limit tries the rotation again.
    file.open(path, liveFileMoved ? platform::OpenMode::truncate : platform::OpenMode::append);
    findEnd();
}

void RollingOutputToFile::shiftBackups() {
    // From the oldest down, so that each rename targets the name just vacated. Failures are
    // ignored: a missing backup is simply left alone.
    platform::removeFile(backupName(backupCount));
    for (int number = backupCount - 1; number >= 1; --number) {
        platform::renameFile(backupName(number), backupName(number + 1));
    }
}

std::wstring RollingOutputToFile::backupName(int number) {
    std::wostringstream name;
    name << path << L'.' << number;
    return name.str();
}

}  // namespace Log
