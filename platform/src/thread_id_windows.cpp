#include "addon001/platform/thread_id.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace platform {

std::uint32_t currentThreadId() {
    return GetCurrentThreadId();
}

std::uint32_t currentProcessId() {
    return GetCurrentProcessId();
}

}  // namespace platform
