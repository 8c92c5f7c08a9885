#pragma once

// The parts of starting a child process that differ by system (child_process_posix.cpp,
// child_process_windows.cpp).
#include <string>

#include "addon001/platform/child_process.h"

namespace platform::detail {

// The system's name of a signal ("Segmentation fault").
std::string signalName(int signal);

// The name of a Windows exception code, or empty when it is not a well-known one.
std::string exceptionName(unsigned code);

}  // namespace platform::detail
