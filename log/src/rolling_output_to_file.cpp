#include "addon001/log/rolling_output_to_file.h"

#include <sstream>

#include "addon001/log/detail/init_priority.h"
#include "addon001/platform/wide_path_file.h"

namespace Log {

// Constructed before the module's other static objects and destroyed after them, in this
// order, so that any of them may still log while they are destroyed.
boost::mutex RollingOutputToFile::mutex ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
platform::WidePathOutputStream RollingOutputToFile::file ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
std::wstring RollingOutputToFile::path ADDONLOG_INIT_PRIORITY_ATTRIBUTE;
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
    // After the flush the write position is the end of the file in bytes as stored; a failed
    // stream answers -1 and is never rotated.
    const std::streamoff position = file.tellp();
    if (position > maxSize) rotate();
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
