#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "addon001/log/reader/log_record.h"
#include "addon001/log/reader/log_time.h"

namespace logreading {

// Where the reader passes on what it read.
struct ReadEvents {
    // Each record, once complete, in the order of the files and of their lines.
    std::function<void(const LogRecord&)> record;
    // Each line that did not parse: a line before the first header of its file, or one that
    // starts like a header but is none. Its record keeps it all the same. May be empty.
    std::function<void(const std::string& file, std::uint64_t line, std::string_view text)>
        unparsedLine;
    // A line for the user when the reader had to skip or start over. May be empty.
    std::function<void(const std::string& notice)> notice;
};

// Splits the bytes of the files of a set, in the pieces they were read in, into lines and the
// lines into records: a header line starts a record, the lines after it that are no header
// belong to it, and lines before a file's first header form a record without a header. Line
// ends are LF or CR LF. The days of the set's timeline are counted across files.
//
// Memory is bounded by `textCap`: a record's text (its lines joined by '\n') is held up to that
// many bytes; the bytes past it, of a line however long or of more lines, are left out and
// counted in LogRecord::cutBytes (a CR of a CR LF end is no byte of the line). The read buffer
// grows to at most textCap and a chunk.
//
// Speed: the lines are split and parsed in the buffer they were read into; a record's text is
// copied only where its lines are not one run of bytes there.
class RecordAssembler {
public:
    static constexpr std::size_t defaultTextCap = 16 * 1024 * 1024;

    explicit RecordAssembler(std::size_t chunkSize, std::size_t textCap = defaultTextCap);

    // Starts the lines of a file (its name stays valid while its records are passed on), after
    // endOfFile of the one before, or to read the same file again from its start.
    void startFile(const std::string* name);
    // Where the next bytes of the current file go, and how many fit (at least one).
    char* space();
    std::size_t spaceSize() const { return buffer_.size() - filled_; }
    // Takes `got` bytes written at space(): passes on every record that is complete. The record
    // at the end is held back, since a next line could still continue it, and so is a last line
    // without its line end.
    void take(std::size_t got, const ReadEvents& events);
    // Passes on the record held back.
    void passHeldRecord(const ReadEvents& events);
    // The current file is complete: its last line, even without a line end (marked truncated),
    // and its last record are passed on, since no record continues into the next file.
    void endOfFile(const ReadEvents& events);

private:
    // `whole`: the line up to its end, whose CR of a CR LF end is dropped; else the first bytes
    // of a longer line.
    void takeLine(const char* begin, const char* end, bool truncated, bool whole,
                  const ReadEvents& events);
    void skip(const char* begin, const char* end);
    void appendToRecord(const char* begin, const char* end);
    void keepHeldRecord();

    std::size_t chunkSize_;
    std::size_t textCap_;
    std::vector<char> buffer_;
    std::size_t filled_ = 0;  // bytes at the buffer's start not taken yet: a line without its end
    bool skipping_ = false;   // the rest of a line longer than textCap is being left out
    bool pendingCr_ = false;  // the last byte left out was a CR, not counted yet

    const std::string* file_ = nullptr;
    std::uint64_t lineNumber_ = 0;

    // The record being read. Its text is a view of the buffer as long as its lines stand there
    // one after the other, joined by a bare LF; else (CR LF line ends, or a record that
    // continues into the next chunk) a copy in `assembly_`.
    LogRecord record_;
    std::string assembly_;
    bool assembled_ = false;
    bool holding_ = false;
    Timeline timeline_;
};

}  // namespace logreading
