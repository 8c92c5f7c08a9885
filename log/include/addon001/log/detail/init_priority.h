#pragma once

// The logging library's process-wide state (the log sink's lock, stream and path) is constructed
// at this init priority (GCC's init_priority: lower first, and every prioritised object before
// those without one), and destroyed after everything constructed later. A program or module
// that orders its own static objects places those that may log above it.
#define ADDONLOG_INIT_PRIORITY 201

#define ADDONLOG_INIT_PRIORITY_ATTRIBUTE __attribute__((init_priority(ADDONLOG_INIT_PRIORITY)))
