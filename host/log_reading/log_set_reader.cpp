#include "log_set_reader.h"

#include <cstring>
#include <utility>

#include "addon001/log/rolling_output_to_file.h"
#include "addon001/platform/wide_path_file.h"

namespace logreading {

namespace {
constexpr int backupCount = Log::RollingOutputToFile::backupCount;
}  // namespace

std::string setFileName(const std::string& path, int number) {
    return number == 0 ? path : path + "." + std::to_string(number);
}

LogSetReader::LogSetReader(std::string path, std::size_t chunkSize)
    : path_(std::move(path)),
      widePath_(platform::widenPath(path_)),
      chunkSize_(chunkSize == 0 ? defaultChunkSize : chunkSize),
      keepFilesOpen_(!platform::removedFileKeepsNameWhileOpen) {
    if (path_.empty()) throw LogSetError("no log file given");
    bool anyFile = false;
    bool anyByte = false;
    for (int number = 0; number <= backupCount; ++number) {
        const std::string name = setFileName(path_, number);
        const platform::PathStatus status = platform::pathStatus(wideName(number));
        switch (status.kind) {
            case platform::PathStatus::Kind::missing:
                continue;
            case platform::PathStatus::Kind::folder:
                throw LogSetError(name + ": is a folder, not a log file");
            case platform::PathStatus::Kind::other:
                throw LogSetError(name + ": is no regular file, not a log file");
            case platform::PathStatus::Kind::unusable:
                throw LogSetError(name + ": cannot be read: " + status.problem);
            case platform::PathStatus::Kind::file:
                break;
        }
        // Opened once here, so that a file without read permission is reported before anything
        // is printed.
        try {
            platform::SharedReadFile check(wideName(number));
        } catch (const platform::FileError& error) {
            throw LogSetError(name + ": cannot be read: " + error.what());
        }
        anyFile = true;
        anyByte = anyByte || status.size > 0;
    }
    if (!anyFile) {
        throw LogSetError(path_ + ": no such log file, nor any of its backups (" +
                          setFileName(path_, 1) + " to " + setFileName(path_, backupCount) + ")");
    }
    if (!anyByte && platform::pathStatus(widePath_).kind == platform::PathStatus::Kind::missing) {
        throw LogSetError(path_ + ": the log set is empty: there is no live file and its backups " +
                          "hold nothing");
    }
    buffer_.resize(chunkSize_);
}

std::wstring LogSetReader::wideName(int number) const {
    return number == 0 ? widePath_ : widePath_ + L"." + std::to_wstring(number);
}

// The file that holds `number`'s name now, or none when there is none (or no regular file).
std::optional<platform::SharedReadFile> LogSetReader::openNumber(int number) const {
    try {
        return platform::SharedReadFile(wideName(number));
    } catch (const platform::FileError& error) {
        const platform::PathStatus status = platform::pathStatus(wideName(number));
        if (status.kind == platform::PathStatus::Kind::missing) return std::nullopt;
        throw LogSetError(setFileName(path_, number) + ": cannot be read: " + error.what());
    }
}

LogSetReader::Tracked LogSetReader::track(platform::SharedReadFile& file, int number) {
    Tracked tracked;
    tracked.number = number;
    tracked.identity = file.identity();
    tracked.readIndex = filesRead_.size();
    names_.push_back(setFileName(path_, number));
    filesRead_.push_back({names_.back(), 0});
    if (keepFilesOpen_) {
        open_ = std::move(file);
    } else {
        open_.reset();
    }
    return tracked;
}

// Starts with the oldest file there is.
bool LogSetReader::start() {
    for (int number = backupCount; number >= 0; --number) {
        std::optional<platform::SharedReadFile> file = openNumber(number);
        if (file) {
            current_ = track(*file, number);
            return true;
        }
    }
    return false;
}

// The number whose name the tracked file has now, or -1 when it left the set. Rotations only
// ever move a file to a higher number, so only those are searched.
int LogSetReader::whereIs(const Tracked& file) const {
    for (int number = file.number < 0 ? backupCount + 1 : file.number; number <= backupCount;
         ++number) {
        const std::optional<platform::SharedReadFile> named = openNumber(number);
        if (named && named->identity() == file.identity) return number;
    }
    return -1;
}

// The current file opened again by its name, wherever a rotation has moved it; none when it has
// left the set.
std::optional<platform::SharedReadFile> LogSetReader::reopen() {
    Tracked& file = *current_;
    for (int number = file.number < 0 ? backupCount + 1 : file.number; number <= backupCount;
         ++number) {
        std::optional<platform::SharedReadFile> named = openNumber(number);
        if (named && named->identity() == file.identity) {
            file.number = number;
            return named;
        }
    }
    file.number = -1;
    return std::nullopt;
}

// Reads the current file from where reading stopped to its end as it is now. Returns whether it
// read anything. A file that left the set before it was read to its end (possible only while
// files are not kept open) is given up with a notice.
bool LogSetReader::readToEnd(const ReadEvents& events) {
    Tracked& file = *current_;
    bool any = false;
    for (;;) {
        std::optional<platform::SharedReadFile> released;
        platform::SharedReadFile* handle = nullptr;
        if (open_) {
            handle = &*open_;
        } else {
            released = reopen();
            if (!released) {
                if (events.notice && !file.lost) {
                    events.notice(names_[file.readIndex] +
                                  ": left the log set before it was read again (more than " +
                                  std::to_string(backupCount) +
                                  " rotations meanwhile); what was written to it since is lost");
                }
                file.lost = true;
                return any;
            }
            handle = &*released;
        }
        if (filled_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
        handle->seek(file.offset);
        std::size_t got = 0;
        try {
            got = handle->read(buffer_.data() + filled_, buffer_.size() - filled_);
        } catch (const platform::FileError& error) {
            throw LogSetError(names_[file.readIndex] + ": cannot be read: " + error.what());
        }
        // Closed before its lines are passed on, which may wait for a slow reader of the output.
        released.reset();
        if (got == 0) return any;
        any = true;
        file.offset += got;
        filesRead_[file.readIndex].bytes += got;
        filled_ += got;
        processLines(events);
    }
}

// The file that follows the file of `number` in the set: the next lower number that exists,
// checked while the file of `number` is known to still have that number (names below it do not
// change until a rotation has moved it on). None when the next is the live file and it does not
// exist (yet).
std::optional<LogSetReader::Tracked> LogSetReader::successorOf(int number) {
    for (;;) {
        int next = number - 1;
        std::optional<platform::SharedReadFile> file;
        for (; next >= 0; --next) {
            file = openNumber(next);
            if (file) break;
        }
        // A file that left the set has no place to check against: the oldest file follows it.
        const int now = number > backupCount ? number : whereIs(*current_);
        if (now == number) {
            if (!file) return std::nullopt;
            return track(*file, next);
        }
        current_->number = now;
        number = now < 0 ? backupCount + 1 : now;
    }
}

bool LogSetReader::readOn(const ReadEvents& events) {
    waitingForLiveFile_ = false;
    if (!current_ && !start()) return false;
    bool any = false;
    for (;;) {
        any = readToEnd(events) || any;
        const int number = whereIs(*current_);
        if (number == 0) {
            // Still the live file. Emptied in place (a rotation that could not rename it)?
            const std::optional<platform::SharedReadFile> named = openNumber(0);
            std::uint64_t size = 0;
            try {
                size = open_ ? open_->size() : named ? named->size() : 0;
            } catch (const platform::FileError& error) {
                throw LogSetError(names_[current_->readIndex] +
                                  ": cannot be read: " + error.what());
            }
            if (size >= current_->offset) return any;
            if (events.notice) {
                events.notice(names_[current_->readIndex] + ": shrank from " +
                              std::to_string(current_->offset) + " to " + std::to_string(size) +
                              " bytes (emptied by the writer); reading it again from its start");
            }
            endOfFile(events);
            current_->offset = 0;
            current_->lineNumber = 0;
            continue;
        }
        current_->number = number;
        // No longer written to: what was written before it was renamed is read to the end.
        any = readToEnd(events) || any;
        endOfFile(events);
        std::optional<Tracked> next;
        if (number < 0) {
            // Left the set while kept open and read: what follows starts with the oldest file.
            if (events.notice && !current_->lost) {
                events.notice(names_[current_->readIndex] +
                              ": left the log set while it was read (more than " +
                              std::to_string(backupCount) +
                              " rotations meanwhile); records after it may be missing");
            }
            next = successorOf(backupCount + 1);
        } else {
            next = successorOf(number);
        }
        if (!next) {
            waitingForLiveFile_ = true;
            return any;
        }
        current_ = next;
    }
}

void LogSetReader::processLines(const ReadEvents& events) {
    const char* const begin = buffer_.data();
    const char* const end = begin + filled_;
    const char* line = begin;
    while (line < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (newline == nullptr) break;
        takeLine(line, newline, false, events);
        line = newline + 1;
    }
    filled_ = static_cast<std::size_t>(end - line);
    if (filled_ > 0 && line != begin) std::memmove(buffer_.data(), line, filled_);
}

void LogSetReader::takeLine(const char* begin, const char* end, bool truncated,
                            const ReadEvents& events) {
    if (end > begin && end[-1] == '\r') --end;
    const std::string_view line(begin, static_cast<std::size_t>(end - begin));
    Tracked& file = *current_;
    ++file.lineNumber;
    if (std::optional<LineHeader> header = parseLineHeader(line)) {
        passHeldRecord(events);
        record_.file = &names_[file.readIndex];
        record_.line = file.lineNumber;
        record_.day = timeline_.place(header->time);
        record_.header = header;
        record_.text.assign(line);
        record_.lineCount = 1;
        record_.truncated = truncated;
        holding_ = true;
        return;
    }
    if (holding_) {
        record_.text += '\n';
        record_.text.append(line);
        ++record_.lineCount;
        record_.truncated = truncated;
        if (events.unparsedLine && (!record_.header || looksLikeDamagedHeader(line))) {
            events.unparsedLine(names_[file.readIndex], file.lineNumber, line);
        }
        return;
    }
    // Lines before the first header of a file: a record without a header.
    record_.file = &names_[file.readIndex];
    record_.line = file.lineNumber;
    record_.day = timeline_.day();
    record_.header.reset();
    record_.text.assign(line);
    record_.lineCount = 1;
    record_.truncated = truncated;
    holding_ = true;
    if (events.unparsedLine) events.unparsedLine(names_[file.readIndex], file.lineNumber, line);
}

void LogSetReader::passHeldRecord(const ReadEvents& events) {
    if (!holding_) return;
    holding_ = false;
    if (events.record) events.record(record_);
}

// The current file is complete: its last line, even without a line end, and its last record are
// passed on, since no record continues into the next file.
void LogSetReader::endOfFile(const ReadEvents& events) {
    if (filled_ > 0) {
        takeLine(buffer_.data(), buffer_.data() + filled_, true, events);
        filled_ = 0;
    }
    passHeldRecord(events);
}

void LogSetReader::finish(const ReadEvents& events) {
    if (current_) endOfFile(events);
}

}  // namespace logreading
