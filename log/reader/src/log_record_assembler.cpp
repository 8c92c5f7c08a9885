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
    pendingCr_ = false;
}

char* RecordAssembler::space() {
    // Full with one line: room for more of it, up to the cap (take cuts it there).
    if (filled_ == buffer_.size()) {
        buffer_.resize(std::min(buffer_.size() * 2, textCap_ + 2 + chunkSize_));
    }
    return buffer_.data() + filled_;
}

// Leaves out the bytes [begin, end) of an overlong line, counting them, except a CR at their end
// that may be the line's own CR LF end (it is counted once more bytes of the line follow).
void RecordAssembler::skip(const char* begin, const char* end) {
    if (begin == end) return;
    record_.cutBytes +=
        static_cast<std::uint64_t>(end - begin) - (end[-1] == '\r' ? 1 : 0) + (pendingCr_ ? 1 : 0);
    pendingCr_ = end[-1] == '\r';
}

void RecordAssembler::take(std::size_t got, const ReadEvents& events) {
    const char* const begin = buffer_.data();
    const char* const end = begin + filled_ + got;
    const char* line = begin;
    if (skipping_) {
        // The rest of an overlong line: left out up to its end.
        line = begin + filled_;
        const auto* newline =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        skip(line, newline != nullptr ? newline : end);
        if (newline == nullptr) {
            filled_ = 0;
            return;
        }
        skipping_ = false;
        pendingCr_ = false;  // the line's own end
        line = newline + 1;
    }
    while (line < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
        if (newline == nullptr) break;
        takeLine(line, newline, false, true, events);
        line = newline + 1;
    }
    std::size_t rest = static_cast<std::size_t>(end - line);
    if (rest > textCap_ + 1) {
        // A line longer than a record may hold, for certain: more than textCap bytes before its
        // last byte (which may be the CR of its end). Its first textCap bytes stand for it.
        takeLine(line, line + rest - 1, false, false, events);
        skipping_ = true;
        pendingCr_ = false;
        skip(line + rest - 1, end);
        rest = 0;
    }
    // The buffer is about to be refilled: the record held back keeps its own copy.
    keepHeldRecord();
    filled_ = rest;
    if (rest > 0 && line != begin) std::memmove(buffer_.data(), line, rest);
}

void RecordAssembler::takeLine(const char* begin, const char* end, bool truncated, bool whole,
                               const ReadEvents& events) {
    if (whole && end > begin && end[-1] == '\r') --end;
    std::string_view line(begin, static_cast<std::size_t>(end - begin));
    ++lineNumber_;
    std::uint64_t cut = 0;
    if (line.size() > textCap_) {
        cut = line.size() - textCap_;
        line = line.substr(0, textCap_);
        end = begin + textCap_;
    }
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
        record_.cutBytes = cut;
        assembled_ = false;
        holding_ = true;
        if (!hasHeader && events.unparsedLine) events.unparsedLine(file, lineNumber_, line);
        return;
    }
    ++record_.lineCount;
    record_.truncated = truncated;
    record_.cutBytes += cut;
    if (events.unparsedLine && (!record_.header || looksLikeDamagedHeader(line))) {
        events.unparsedLine(file, lineNumber_, line);
    }
    // The line and the '\n' before it, as far as the cap leaves room.
    const std::size_t room = textCap_ - record_.text.size();
    if (line.size() < room) {
        appendToRecord(begin, end);
        return;
    }
    record_.cutBytes += line.size() + 1 - room;
    if (room > 0) appendToRecord(begin, begin + (room - 1));
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
        takeLine(buffer_.data(), buffer_.data() + filled_, true, true, events);
        filled_ = 0;
    } else if (skipping_ && holding_) {
        record_.truncated = true;  // the overlong line had no end; a CR at its end is none
    }
    skipping_ = false;
    pendingCr_ = false;
    passHeldRecord(events);
}

}  // namespace logreading
