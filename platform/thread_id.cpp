#include "thread_id.h"

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

std::uint32_t currentThreadId() {
    return GetCurrentThreadId();
}

}  // namespace platform

#else

#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

std::uint32_t currentThreadId() {
    // The kernel id, not pthread_self(): it matches what ps, top and debuggers show.
    return static_cast<std::uint32_t>(syscall(SYS_gettid));
}

}  // namespace platform

#endif
