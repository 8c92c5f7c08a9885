#pragma once

#include <cstdint>

namespace platform {

// The operating system's id of the calling thread (on Linux the kernel's thread id), the
// number other tools show for that thread.
std::uint32_t currentThreadId();

}  // namespace platform
