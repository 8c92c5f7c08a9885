#pragma once

#include <ostream>

#include "addon001/log/detail/line_stream.h"
#include "addon001/log/export.h"

namespace Log {

// Stream manipulator: reads the local time once and writes it as hh:mm:ss.mmm (always 12
// characters). The zeros are written as characters, so the stream's width and fill are left
// as they were.
ADDONLOG_API std::ostream& timeOfDay(std::ostream& out);

// The format of the log file's lines: "hh:mm:ss.mmm LVL threadid message".
struct ADDONLOG_API FlatFormatPolicy {
    // Writes the header of a line made now on the calling thread: time, level text and thread
    // id in decimal, each followed by a space.
    static void writeHeader(std::ostream& out, int level);
    // The same, written straight into a record's line.
    static void writeHeader(LineStream& out, int level);
};

}  // namespace Log
