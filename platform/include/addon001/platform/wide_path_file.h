#pragma once

#include <string>

namespace platform {

// The file system's wide path for a path given on the command line (UTF-8 on Linux, the ANSI
// code page on Windows).
std::wstring widenPath(const std::string& narrowPath);

}  // namespace platform
