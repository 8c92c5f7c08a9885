#pragma once

#include "addon001/platform/symbol_export.h"

// ADDONLOG_API marks what the logging library exports when it is built as a shared library
// (ADDONLOG_SHARED, which the library's CMake target and pkg-config file pass on to its users).
// The static library marks nothing.
// What an exported class of the library keeps to itself.
#define ADDONLOG_LOCAL PLATFORM_SYMBOL_LOCAL

#if defined(ADDONLOG_SHARED)
#if defined(ADDONLOG_BUILDING)
#define ADDONLOG_API PLATFORM_SYMBOL_EXPORT
#else
#define ADDONLOG_API PLATFORM_SYMBOL_IMPORT
#endif
#else
#define ADDONLOG_API
#endif
