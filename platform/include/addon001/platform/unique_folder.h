#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Makes a new, empty folder in the system's temporary folder, named `prefix` followed by this
// process's id, the clock and an attempt number, and returns its path. Made atomically under a
// name no other process holds: a name taken by a process running beside this one, or left by
// one that was killed, is skipped. (The C++ library's random_device may be a fixed sequence
// under MinGW, the same in every process, so it cannot make the names differ.) Throws
// std::runtime_error with the system's reason when no folder can be made.
std::filesystem::path makeUniqueFolder(const std::string& prefix);

}  // namespace platform
