#pragma once

#include "addon001/log/flat_format_policy.h"
#include "addon001/log/level.h"
#include "addon001/log/logger.h"
#include "addon001/log/record_stream.h"
#include "addon001/log/rolling_output_to_file.h"

namespace Log {

using FileLogger = Logger<RollingOutputToFile, FlatFormatPolicy>;

namespace detail {
// The guard of a logging statement: the level against the threshold first, then the sink.
inline bool passesGuard(int level) {
    return !(levelThreshold < level) && RollingOutputToFile::isEnabled();
}
}  // namespace detail

}  // namespace Log

// The logging statement: LOG_AT(level) << a << b ... ;
// Writes one line to the log file when the level passes the threshold and the log file is
// open; otherwise nothing is evaluated beyond the level and nothing is allocated. The level is
// evaluated once; the message's operands only after both tests have passed. The record is a
// temporary of the statement, so its line is written at the end of the statement. The loop
// runs at most once and, unlike an if, cannot capture a following else. The operands go into a
// RecordStream: wide texts are written in their narrow form.
#define LOG_AT(level)                                                                         \
    for (int logLevel_ = (level), logOnce_ = ::Log::detail::passesGuard(logLevel_); logOnce_; \
         logOnce_ = 0)                                                                        \
    ::Log::RecordStream(::Log::FileLogger().start(logLevel_))
