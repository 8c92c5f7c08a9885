#pragma once

// The pieces of a line header for given field values, so that every value can be tested.
#include <cstdint>
#include <ostream>

#include "addon001/log/export.h"
#include "addon001/platform/local_time.h"

namespace Log {

// Writes a time of day as hh:mm:ss.mmm (always 12 characters), the zeros as characters.
ADDONLOG_API void writeTimeOfDay(std::ostream& out, const platform::LocalTime& time);

// Writes a line header: time, level text and thread id in decimal, each followed by a space.
ADDONLOG_API void writeHeader(std::ostream& out, int level, const platform::LocalTime& time,
                              std::uint32_t threadId);

}  // namespace Log
