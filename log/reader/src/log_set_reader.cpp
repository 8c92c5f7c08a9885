#include "addon001/log/reader/log_set_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "addon001/log/format.h"

namespace logreading {

namespace {
using Log::format::backupCount;
using Log::format::inSet;
using Log::format::newerPlace;
using Log::format::olderPlace;
using Log::format::setFileName;

// Where a search for a file that was last found at `place` starts: a file that left the set
// is looked for nowhere.
int searchFrom(int place) {
    return place == notInSet ? backupCount + 1 : place;
}
}  // namespace

LogSetReader::LogSetReader(std::string path, std::size_t chunkSize, std::size_t textCap)
    : path_(std::move(path)),
      keepFilesOpen_(!platform::removedFileKeepsNameWhileOpen),
      assembler_(chunkSize == 0 ? defaultChunkSize : chunkSize, textCap) {
    if (path_.empty()) throw LogSetError("no log file given");
    bool anyFile = false;
    bool anyByte = false;
    for (int number = 0; number <= backupCount; ++number) {
        const std::string name = setFileName(path_, number);
        const platform::PathStatus status = platform::pathStatus(fileName(number));
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
        // is printed (one that a rotation took away meanwhile is no error).
        if (!openNumber(number)) continue;
        anyFile = true;
        anyByte = anyByte || status.size > 0;
    }
    // A rotation interrupted by a crash leaves the live file under its ".rotating" name: it is
    // part of the set until the next rotation or open places it.
    if (openNumber(rotatingPlace)) {
        anyFile = true;
        anyByte = anyByte || platform::pathStatus(fileName(rotatingPlace)).size > 0;
    }
    if (!anyFile) {
        throw LogSetError(path_ + ": no such log file, nor any of its backups (" +
                          setFileName(path_, 1) + " to " + setFileName(path_, backupCount) + ")");
    }
    if (!anyByte && platform::pathStatus(path_).kind == platform::PathStatus::Kind::missing) {
        throw LogSetError(path_ + ": the log set is empty: there is no live file and its backups " +
                          "hold nothing");
    }
}

std::string LogSetReader::fileName(int number) const {
    return setFileName(path_, number);
}

std::string LogSetReader::cannotRead(const std::string& name, const std::error_code& error) const {
    return name + ": cannot be read: " + error.message();
}

// The file that holds `number`'s name now, or none when there is none (or no regular file). A
// rotation may take the name away between looking and opening, or give it to the next file.
std::optional<platform::SharedReadFile> LogSetReader::openNumber(int number) const {
    // Only a file under the ".rotating" name is the sink's; anything else there (a folder, say)
    // is not part of the set.
    if (number == rotatingPlace &&
        platform::pathStatus(fileName(number)).kind != platform::PathStatus::Kind::file) {
        return std::nullopt;
    }
    for (int attempt = 1;; ++attempt) {
        platform::SharedReadFile file;
        const std::error_code error = file.open(fileName(number));
        if (!error) return file;
        const platform::PathStatus status = platform::pathStatus(fileName(number));
        if (status.kind == platform::PathStatus::Kind::missing) return std::nullopt;
        if (status.kind != platform::PathStatus::Kind::file || attempt == 3) {
            throw LogSetError(cannotRead(fileName(number), error));
        }
    }
}

LogSetReader::Tracked LogSetReader::track(platform::SharedReadFile& file, int number) {
    Tracked tracked;
    tracked.number = number;
    tracked.identity = file.identity();
    tracked.readIndex = filesRead_.size();
    names_.push_back(setFileName(path_, number));
    filesRead_.push_back({names_.back(), 0});
    assembler_.startFile(&names_.back());
    if (number == 0) {
        // What backup 1 is while this live file is read: had a rotation come, it would differ.
        firstBackup_.reset();
        if (std::optional<platform::SharedReadFile> backup = openNumber(1)) {
            firstBackup_ = Fingerprint{backup->identity(), readPrefix(*backup)};
        }
    }
    if (keepFilesOpen_) {
        open_ = std::move(file);
    } else {
        open_.reset();
    }
    return tracked;
}

// Starts with the oldest file there is.
bool LogSetReader::start() {
    for (int number = backupCount; number != notInSet; number = newerPlace(number)) {
        std::optional<platform::SharedReadFile> file = openNumber(number);
        if (file) {
            current_ = track(*file, number);
            return true;
        }
    }
    return false;
}

std::string LogSetReader::readPrefix(platform::SharedReadFile& file, std::size_t length) const {
    std::string prefix(length, '\0');
    std::size_t filled = 0;
    file.seek(0);
    for (std::size_t got = 1; got > 0 && filled < length; filled += got) {
        if (file.read(prefix.data() + filled, length - filled, got)) {
            // Compared as a different file; reading it proper reports the error.
            filled = 0;
            break;
        }
    }
    prefix.resize(filled);
    return prefix;
}

bool LogSetReader::isFile(platform::SharedReadFile& file, const platform::FileIdentity& identity,
                          const std::string& prefix) const {
    return file.identity() == identity &&
           (prefix.empty() || readPrefix(file, prefix.size()) == prefix);
}

// Where the tracked file is now: its place, or notInSet when it left the set. Rotations only ever
// move a file to an older place, so only those are searched. A file is known by its
// identity and the first bytes read from it: where a file that is not held open can be removed
// and its identity given to a new file (Windows reuses file indexes as Linux does inodes),
// the identity alone could take the new file for the old. The live file found under its
// identity with other first bytes is `replaced`: emptied and written anew, or such a new file.
LogSetReader::Place LogSetReader::whereIs(const Tracked& file) const {
    for (int number = searchFrom(file.number); inSet(number); number = olderPlace(number)) {
        std::optional<platform::SharedReadFile> named = openNumber(number);
        if (!named || named->identity() != file.identity) continue;
        if (isFile(*named, file.identity, file.prefix)) return {number, false};
        if (number == 0) return {0, true};
    }
    return {notInSet, false};
}

// The current file opened again by its name, wherever a rotation has moved it; none when it has
// left the set or was replaced (see whereIs).
std::optional<platform::SharedReadFile> LogSetReader::reopen() {
    Tracked& file = *current_;
    for (int number = searchFrom(file.number); inSet(number); number = olderPlace(number)) {
        std::optional<platform::SharedReadFile> named = openNumber(number);
        if (!named || named->identity() != file.identity) continue;
        if (isFile(*named, file.identity, file.prefix)) {
            file.number = number;
            return named;
        }
        if (number == 0) return std::nullopt;
    }
    file.number = notInSet;
    return std::nullopt;
}

// Whether a rotation came since the current file was taken up as the live file: backup 1 is no
// longer the file it was then.
bool LogSetReader::rotatedSinceLive() const {
    std::optional<platform::SharedReadFile> backup = openNumber(1);
    if (!firstBackup_) return backup.has_value();
    return !backup || !isFile(*backup, firstBackup_->identity, firstBackup_->prefix);
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
            // Emptied and written anew under the open handle: readOn starts it over.
            if (!isFile(*open_, file.identity, file.prefix)) return any;
            handle = &*open_;
        } else {
            const bool wasLive = file.number == 0;
            released = reopen();
            if (!released) {
                if (file.number == 0) return any;  // replaced: readOn decides
                // Gone from the live name without a rotation: removed (readOn says so).
                if (wasLive) file.removedLive = !rotatedSinceLive();
                if (events.notice && !file.lost && !file.removedLive) {
                    events.notice(names_[file.readIndex] +
                                  ": rotated out of the log set before it was read to its end; "
                                  "the rest of it is lost");
                }
                file.lost = true;
                return any;
            }
            handle = &*released;
        }
        char* const space = assembler_.space();
        handle->seek(file.offset);
        std::size_t got = 0;
        if (const std::error_code error = handle->read(space, assembler_.spaceSize(), got)) {
            throw LogSetError(cannotRead(names_[file.readIndex], error));
        }
        // Closed before its lines are passed on, which may wait for a slow reader of the output.
        released.reset();
        if (got == 0) return any;
        any = true;
        if (file.prefix.size() < prefixLength && file.offset == file.prefix.size()) {
            file.prefix.append(space, std::min(got, prefixLength - file.prefix.size()));
        }
        file.offset += got;
        filesRead_[file.readIndex].bytes += got;
        assembler_.take(got, events);
    }
}

// The file that follows the file at place `number` in the set: the next newer place that holds
// a file, checked while the file at `number` is known to still be there (newer places do not
// change until a rotation has moved it on). None when the next is the live file and it does not
// exist (yet).
std::optional<LogSetReader::Tracked> LogSetReader::successorOf(int number) {
    for (;;) {
        int next = newerPlace(number);
        std::optional<platform::SharedReadFile> file;
        for (; next != notInSet; next = newerPlace(next)) {
            file = openNumber(next);
            if (file) break;
        }
        // A file that left the set has no place to check against: the oldest file follows it.
        const int now = number > backupCount ? number : whereIs(*current_).number;
        if (now == number) {
            if (!file) return std::nullopt;
            return track(*file, next);
        }
        current_->number = now;
        number = searchFrom(now);
    }
}

// The live file, removed without a rotation, made anew: read from its start when it is there.
std::optional<LogSetReader::Tracked> LogSetReader::newLiveFile() {
    // Whatever holds the name now is new: the file read was found nowhere in the set (where files
    // are not held open, the new one may even have been given its identity).
    std::optional<platform::SharedReadFile> file = openNumber(0);
    if (!file) return std::nullopt;
    return track(*file, 0);
}

// The current file was emptied in place and is written anew: read again from its start.
void LogSetReader::restartFile(const ReadEvents& events, const std::string& why) {
    if (events.notice) {
        events.notice(names_[current_->readIndex] + why +
                      " (emptied in place); reading it again from its start");
    }
    assembler_.endOfFile(events);
    assembler_.startFile(&names_[current_->readIndex]);
    current_->offset = 0;
    current_->prefix.clear();
}

bool LogSetReader::readOn(const ReadEvents& events) {
    waitingForLiveFile_ = false;
    if (!current_ && !start()) return false;
    bool any = false;
    for (;;) {
        any = readToEnd(events) || any;
        Place place = whereIs(*current_);
        if (place.number == 0) {
            // Still the live file. Emptied in place (a rotation that could not rename it, or a
            // copy-and-truncate rotation)?
            std::optional<platform::SharedReadFile> named = openNumber(0);
            std::uint64_t size = 0;
            if (open_ || named) {
                if (const std::error_code error = (open_ ? *open_ : *named).size(size)) {
                    throw LogSetError(cannotRead(names_[current_->readIndex], error));
                }
            }
            const bool shrank = size < current_->offset;
            if (!shrank && !place.replaced) return any;
            // A file held open is the file read, whatever became of the backups (a copy of it
            // made by the rotation is not read again); one not held open could be a new file
            // that got its identity, once rotations removed the file read.
            if (keepFilesOpen_ || !rotatedSinceLive()) {
                restartFile(events, shrank ? ": shrank from " + std::to_string(current_->offset) +
                                                 " to " + std::to_string(size) + " bytes"
                                           : std::string(": was written anew from its start"));
                continue;
            }
            place.number = notInSet;
        }
        const int number = place.number;
        if (number == notInSet && current_->number == 0) {
            // Left the set as the live file: removed, unless a rotation moved it out.
            current_->removedLive = !rotatedSinceLive();
        }
        current_->number = number;
        // No longer written to: what was written before it was renamed is read to the end.
        any = readToEnd(events) || any;
        assembler_.endOfFile(events);
        std::optional<Tracked> next;
        if (number == notInSet) {
            if (events.notice && (!current_->lost || current_->removedLive) &&
                !current_->announced) {
                events.notice(names_[current_->readIndex] +
                              (current_->removedLive
                                   ? ": was removed while it was read; a new file of that name "
                                     "is read from its start"
                                   : ": rotated out of the log set while it was read; records "
                                     "written after it may be missing"));
            }
            current_->announced = true;
            // Left the set while kept open and read: what follows starts with the oldest file,
            // or, after a removal, is the new live file.
            next = current_->removedLive ? newLiveFile() : successorOf(backupCount + 1);
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

void LogSetReader::passHeldRecord(const ReadEvents& events) {
    assembler_.passHeldRecord(events);
}

void LogSetReader::finish(const ReadEvents& events) {
    if (current_) assembler_.endOfFile(events);
}

}  // namespace logreading
