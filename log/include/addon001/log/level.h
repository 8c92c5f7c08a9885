#pragma once

#include "addon001/log/export.h"

namespace Log {

// Severity of a log record; a lower value is more severe. Values between the named ones are
// valid levels without a text.
enum Level : int { FAT = 10, ERR = 20, WAR = 30, INF = 40, DBG = 50, DB1 = 51, DB2 = 52, DB3 = 53 };

// The most verbose level that is still logged. Fixed for the whole run, and a compile-time
// constant so that a statement above it costs nothing.
inline constexpr int levelThreshold = DB3;

// The level's three-letter text, or "---" for a value without one. Static text.
ADDONLOG_API const char* levelName(int level);

}  // namespace Log
