#pragma once

#include <string>
#include <system_error>

namespace platform {

// The one error model of this layer: an operation that fails returns a std::error_code that
// carries the system's own code (errno on Linux, GetLastError on Windows) in systemCategory(),
// and its message() is the system's own text ("No space left on device", "Access is denied
// (error 5)"). Codes compare equal to the portable std::errc conditions where the system has a
// matching one (error == std::errc::no_such_file_or_directory), so callers can tell the common
// cases apart without knowing the system.
const std::error_category& systemCategory();

// The code of the system call that has just failed on this thread.
std::error_code lastSystemError();

// A given system code (an errno value, or a GetLastError value on Windows) in systemCategory().
std::error_code systemError(int code);

// The system's text for a code of this system, on one line ("Access is denied (error 5)" on
// Windows, "Permission denied" on Linux).
std::string systemMessage(int code);

}  // namespace platform
