#pragma once

#include <cstdint>
#include <ostream>

#include "local_time.h"

namespace Log {

// Writes a time of day as hh:mm:ss.mmm (always 12 characters). The zeros are written as
// characters, so the stream's width and fill are left as they were.
void writeTimeOfDay(std::ostream& out, const platform::LocalTime& time);

// Stream manipulator: reads the local time once and writes it as writeTimeOfDay does.
std::ostream& timeOfDay(std::ostream& out);

// Writes a line header: time, level text and thread id in decimal, each followed by a space.
void writeHeader(std::ostream& out, int level, const platform::LocalTime& time,
                 std::uint32_t threadId);

// The format of the log file's lines: "hh:mm:ss.mmm LVL threadid message".
struct FlatFormatPolicy {
    // Writes the header of a line made now on the calling thread.
    static void writeHeader(std::ostream& out, int level);
};

}  // namespace Log
