#include "addon001/log/reader/log_record_assembler.h"

#include <algorithm>
#include <cstring>

namespace logreading {

RecordAssembler::RecordAssembler(std::size_t chunkSize, std::size_t textCap)
    : chunkSize_(std::max<std::size_t>(chunkSize, 1)),
      textCap_(std::max<std::size_t>(textCap, 1)),
      buffer_(std::min(chunkSize_, textCap_ + chunkSize_)) {}

void RecordAssembler::startFile(const std::string* name) {
    file_ = name;
    lineNumber_ = 0;
    filled_ = 0;
    skipping_ = false;
}

char* RecordAssembler::space() {
    // Full with one line: room for more of it, up to the cap (take cuts it there).
    if (filled_ == buffer_.size()) {
        buffer_.resize(std::min(buffer_.size() * 2, textCap_ + chunkSize_));
    }
    return buffer_.data() + filled_;
}

void RecordAssembler::take(std::size_t got, const ReadEvents& events) {
    const char* const begin = buffer_.data();
    const char* const end = begin + filled_ + got;
    const char* line = begin + filled_;
    if (skipping_) {
        // The rest of an overlong line: left out up to its end.
        const auto* newline =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        const char* const skipEnd = newline != nullptr ? newline : end;
        record_.cutBytes += static_cast<std::uint64_t>(skipEnd - line);
        if (newline == nullptr) {
            filled_ = 0;
            return;
        }
        skipping_ = false;
        line = newline + 1;
    } else {
        line = begin;
    }
    while (line < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (newline == nullptr) break;
        takeLine(line, newline, false, events);
        line = newline + 1;
    }
    std::size_t rest = static_cast<std::size_t>(end - line);
    if (rest >= textCap_) {
        // A line longer than a record may hold: its first textCap bytes stand for it.
        takeLine(line, line + textCap_, false, events);
        record_.cutBytes += rest - textCap_;
        skipping_ = true;
        rest = 0;
    }
    // The buffer is about to be refilled: the record held back keeps its own copy.
    keepHeldRecord();
    filled_ = rest;
    if (rest > 0 && line != begin) std::memmove(buffer_.data(), line, rest);
}

void RecordAssembler::takeLine(const char* begin, const char* end, bool truncated,
                               const ReadEvents& events) {
    if (end > begin && end[-1] == '\r') --end;
    const std::string_view line(begin, static_cast<std::size_t>(end - begin));
    ++lineNumber_;
    LineHeader header;
    const bool hasHeader = parseLineHeader(line, header);
    static const std::string noName;
    const std::string& file = file_ != nullptr ? *file_ : noName;
    if (hasHeader || !holding_) {
        // A record's first line; without a header, the first of lines that belong to no record
        // (they come only at the start of a file).
        passHeldRecord(events);
        record_.file = file_;
        record_.line = lineNumber_;
        if (hasHeader) {
            record_.day = timeline_.place(header.time);
            record_.header = header;
        } else {
            record_.day = timeline_.day();
            record_.header.reset();
        }
        record_.text = line;
        record_.lineCount = 1;
        record_.truncated = truncated;
        record_.cutBytes = 0;
        assembled_ = false;
        holding_ = true;
        if (!hasHeader && events.unparsedLine) events.unparsedLine(file, lineNumber_, line);
        return;
    }
    ++record_.lineCount;
    record_.truncated = truncated;
    if (events.unparsedLine && (!record_.header || looksLikeDamagedHeader(line))) {
        events.unparsedLine(file, lineNumber_, line);
    }
    // The line and the '\n' before it, as far as the cap leaves room.
    const std::size_t room = textCap_ - record_.text.size();
    if (line.size() < room) {
        appendToRecord(begin, end);
        return;
    }
    const std::size_t kept = room > 0 ? room - 1 : 0;
    record_.cutBytes += line.size() + 1 - room;
    if (room > 0) appendToRecord(begin, begin + kept);
}

// Adds a continuation line to the record's text: by widening the view when the line follows
// the text in the buffer after a bare LF, else by copying.
void RecordAssembler::appendToRecord(const char* begin, const char* end) {
    const char* const textEnd = record_.text.data() + record_.text.size();
    if (!assembled_ && textEnd + 1 == begin && *textEnd == '\n') {
        record_.text = std::string_view(record_.text.data(),
                                        static_cast<std::size_t>(end - record_.text.data()));
        return;
    }
    if (!assembled_) {
        assembly_.assign(record_.text);
        assembled_ = true;
    }
    assembly_ += '\n';
    assembly_.append(begin, end);
    record_.text = assembly_;
}

void RecordAssembler::keepHeldRecord() {
    if (!holding_ || assembled_) return;
    assembly_.assign(record_.text);
    assembled_ = true;
    record_.text = assembly_;
}

void RecordAssembler::passHeldRecord(const ReadEvents& events) {
    if (!holding_) return;
    holding_ = false;
    if (events.record) events.record(record_);
}

void RecordAssembler::endOfFile(const ReadEvents& events) {
    if (filled_ > 0) {
        takeLine(buffer_.data(), buffer_.data() + filled_, true, events);
        filled_ = 0;
    } else if (skipping_ && holding_) {
        record_.truncated = true;  // the overlong line had no end
    }
    skipping_ = false;
    passHeldRecord(events);
}

}  // namespace logreading
