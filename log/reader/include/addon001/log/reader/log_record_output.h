#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "addon001/log/reader/log_record.h"

namespace logreading {

// Writing the output failed; what() is the system's reason.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Collects output and hands it to a C stream in large pieces: one call per record into the C
// library costs more than the rest of printing the record.
class OutputBuffer {
public:
    static constexpr std::size_t defaultCapacity = 256 * 1024;

    explicit OutputBuffer(std::FILE* out, std::size_t capacity = defaultCapacity);
    ~OutputBuffer();  // writes what is left, ignoring errors (call flush to see them)
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    void append(std::string_view text) {
        if (text.size() > capacity_ - used_) {
            writeOut();
            if (text.size() > capacity_) {
                write(text);
                return;
            }
        }
        std::memcpy(buffered_.get() + used_, text.data(), text.size());
        used_ += text.size();
    }
    void append(char character) {
        if (used_ == capacity_) writeOut();
        buffered_[used_++] = character;
    }
    // Writes everything collected and flushes the stream. Throws OutputError.
    void flush();

private:
    void writeOut();
    void write(std::string_view text);

    std::FILE* out_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffered_;
    std::size_t used_ = 0;
};

// Appends `text` with every byte that a terminal would take as a command shown visibly instead:
// the C0 controls but TAB and LF ("\r", else "\x1b" and so on), DEL, the C1 controls as single
// bytes and as UTF-8 (U+0080 to U+009F, "\xc2\x9b"). Nothing else changes: valid UTF-8 and any
// other byte stays as it is. So no log line moves the cursor, sets a title, writes the
// clipboard or overwrites a line.
void appendVisible(OutputBuffer& out, std::string_view text);

// What the text output prints for a record: its lines as stored, each ended by a newline (which
// the C library writes as the platform's line end), the last followed by " [cut: N bytes left
// out]" when the record was longer than the reader holds, and by " [truncated]" when the file
// ended in the middle of that line. With `visible`, its controls shown as appendVisible does.
void writeRecordText(OutputBuffer& out, const LogRecord& record, bool visible = false);

// The record as one JSON object on one line, then a newline (JSON Lines): file, line, day, time,
// level (number), levelText, thread, message (continuations joined by "\n"), truncated and
// cutBytes; time, level, levelText and thread are null for lines without a header, level alone
// for the levels without a name ("---"). Texts are written as logTextToUtf8 makes them, with the
// controls of appendVisible escaped ("\u001b", "\u009b"), so the output is safe on a terminal.
void writeRecordJson(OutputBuffer& out, const LogRecord& record);

// Narrow log text as JSON wants it, in UTF-8: text that is valid UTF-8 as it is, any other in
// the system's ANSI code page (as the log library writes wide text), converted. (The host's
// reports read the module interface's texts as Windows-1252 instead, whatever the system:
// host::interfaceTextToUtf8.)
std::string logTextToUtf8(std::string_view bytes);

}  // namespace logreading
