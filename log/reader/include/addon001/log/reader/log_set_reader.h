#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "addon001/log/format.h"
#include "addon001/log/reader/log_record.h"
#include "addon001/log/reader/log_record_assembler.h"
#include "addon001/log/reader/log_time.h"
#include "addon001/platform/shared_read_file.h"

namespace logreading {

// A log set that cannot be read; what() is one line naming the file and the problem.
class LogSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The places of a set's files (Log::format): the reader tracks each file by the place where it
// last found it.
using Log::format::notInSet;
using Log::format::rotatingPlace;

// A file of the set that the reader has read from, as it was named then, and how many bytes.
struct FileRead {
    std::string name;
    std::uint64_t bytes = 0;
};

// Reads a rotating log set as one stream of records: the backups from the highest number present
// down to 1 (the oldest first), then the live file, and on, as often as it is asked, through the
// files that rotations create meanwhile. It keeps track of a file by its identity, not by its
// name (its identity and its first bytes), so a rotation that renames the file being read (the
// live file becoming backup 1 by way of its ".rotating" name, or any backup moving up) neither
// loses nor repeats a line: the file is read to its end, then the file at the next newer place. A
// live file that was emptied in place (it shrank, or its first bytes changed) is read again from
// its start. Files are opened for shared reading, so that the writer goes on writing and rotating;
// where the system lets a file held open block the rotation's removal of the oldest backup
// (Windows), each file is open only while one chunk of it is read.
//
// A live file emptied in place while it is held open (a copy-and-truncate rotation) is the same
// file: it is read again from its start, and the copy is not read. A live file removed and made
// anew gives one notice, and the new one is read from its start.
//
// Memory and speed: those of RecordAssembler, which splits the bytes into records.
class LogSetReader {
public:
    static constexpr std::size_t defaultChunkSize = 256 * 1024;

    // Checks the set of `path` (as given on the command line) and opens nothing for long. Throws
    // LogSetError when none of its files exists, when one of its names is a folder or no regular
    // file, when one of them cannot be opened for reading, or when it has no live file and its
    // backups hold nothing. An empty live file is a set without records, no error.
    // `path` is in the system's own bytes (platform::SharedReadFile).
    explicit LogSetReader(std::string path, std::size_t chunkSize = defaultChunkSize,
                          std::size_t textCap = RecordAssembler::defaultTextCap);

    // Reads on from where the last call stopped to the end of the set as it is now, passing on
    // every record that is complete. The record at the very end is held back, since a next line
    // could still continue it, and so is a last line without its line end. Returns true when it
    // read anything. Throws LogSetError when a file cannot be read.
    bool readOn(const ReadEvents& events);
    // Passes on the record held back (the writer has had time to finish it).
    void passHeldRecord(const ReadEvents& events);
    // Ends reading: passes on the held record and a last line without a line end, marked as
    // truncated.
    void finish(const ReadEvents& events);
    // True after a read that ended with the current file rotated away and no new live file yet:
    // the writer is between the rename and the creation of the new file.
    bool waitingForLiveFile() const { return waitingForLiveFile_; }

    const std::vector<FileRead>& filesRead() const { return filesRead_; }

private:
    struct Tracked {
        int number = 0;  // its place when last found, or notInSet
        platform::FileIdentity identity;
        std::uint64_t offset = 0;
        std::size_t readIndex = 0;  // its entry in filesRead_ and names_
        bool lost = false;          // it left the set before it was read to its end
        bool announced = false;     // the notice that it left the set was given
        bool removedLive = false;   // it left the set as the live file, without a rotation
        std::string prefix;         // its first bytes, up to prefixLength, as read
    };
    struct Place {
        int number = notInSet;
        bool replaced = false;
    };
    struct Fingerprint {
        platform::FileIdentity identity;
        std::string prefix;
    };
    static constexpr std::size_t prefixLength = 64;

    std::string fileName(int number) const;
    std::string cannotRead(const std::string& name, const std::error_code& error) const;
    std::optional<platform::SharedReadFile> openNumber(int number) const;
    Tracked track(platform::SharedReadFile& file, int number);
    bool start();
    std::string readPrefix(platform::SharedReadFile& file, std::size_t length = prefixLength) const;
    bool isFile(platform::SharedReadFile& file, const platform::FileIdentity& identity,
                const std::string& prefix) const;
    Place whereIs(const Tracked& file) const;
    bool rotatedSinceLive() const;
    std::optional<platform::SharedReadFile> reopen();
    bool readToEnd(const ReadEvents& events);
    std::optional<Tracked> successorOf(int number);
    std::optional<Tracked> newLiveFile();
    void restartFile(const ReadEvents& events, const std::string& why);

    std::string path_;
    bool keepFilesOpen_;

    std::optional<Tracked> current_;
    std::optional<platform::SharedReadFile> open_;  // the current file, while kept open
    std::optional<Fingerprint> firstBackup_;        // backup 1 when the live file was taken up
    bool waitingForLiveFile_ = false;

    std::deque<std::string> names_;  // stable, for LogRecord::file
    std::vector<FileRead> filesRead_;

    RecordAssembler assembler_;
};

}  // namespace logreading
