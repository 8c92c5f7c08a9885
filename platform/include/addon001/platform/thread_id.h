#pragma once

#include <cstdint>

namespace platform {

// The operating system's id of the calling thread (on Linux the kernel's thread id), the
// number other tools show for that thread.
std::uint32_t currentThreadId();

// The operating system's id of the calling process; a child made by fork() gets its own, which
// tells it that what it shares with its parent (open files, their locks) is not its own.
std::uint32_t currentProcessId();

}  // namespace platform
