#pragma once

#include <string>

namespace platform {

#if defined(_WIN32)
// The system's text for a Windows error code (GetLastError), on one line, with the code:
// "Access is denied (error 5)".
std::string systemMessage(unsigned long code);
#endif

}  // namespace platform
