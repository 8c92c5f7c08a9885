#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "addon001/log/reader/log_line_header.h"

namespace logreading {

// One record of a log set: its header line and the continuation lines that follow it (a message
// that held line breaks), or, without a header, the lines at the start of a file that belong to
// no record.
struct LogRecord {
    const std::string* file = nullptr;  // the file as it was named when it was read
    std::uint64_t line = 0;             // number of its first line in that file, from 1
    int day = 0;                        // day of the set's timeline (see Timeline)
    std::optional<LineHeader> header;
    // Its lines as stored, each without its line end (LF or CR LF), joined by '\n'. A view into
    // the reader's buffers: valid while the record is being passed on, so copy what is kept.
    std::string_view text;
    std::size_t lineCount = 0;
    // Its last line is the end of its file and has no line end: the writer stopped in the middle
    // of the line (a crash, a full disk).
    bool truncated = false;
    // Bytes of the record left out past the reader's cap on a record's text (a line of many
    // megabytes, say): `text` holds its first bytes only.
    std::uint64_t cutBytes = 0;

    // The message with its continuation lines joined by '\n' (all of `text` without a header).
    std::string_view message() const { return header ? text.substr(header->messageStart) : text; }
};

}  // namespace logreading
