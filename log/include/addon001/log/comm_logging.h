#pragma once

#include <cstdint>

#include "addon001/log/export.h"

namespace Log {

// Turns the hexadecimal dumps of logComm on or off for the whole process. Off until first set;
// any thread may call it.
ADDONLOG_API void setCommLogging(bool on);

// Logs `length` bytes at `data` as one INF record "[Comm] <label>: [01 AB FF]" (see formatBytes),
// when the dumps are on and the log file takes INF records. With the dumps off it costs one test
// and builds nothing. The dump is built before the log file is asked; only its narrow form and
// the record wait for that test. `label` may be null ("bytes"); `data` is not read when `length`
// is 0, and a null `data` with a nonzero `length` is logged as no bytes.
ADDONLOG_API void logComm(const wchar_t* label, const void* data, std::uint32_t length);

}  // namespace Log
