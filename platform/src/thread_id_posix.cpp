#include "addon001/platform/thread_id.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {
// The calling thread's id, read once: asking the kernel costs a system call on every log
// record. 0 means not read yet (no thread has id 0).
thread_local std::uint32_t cachedThreadId = 0;

// A child made by fork() runs as a new thread with its own id; the handler runs in that
// thread, the only one the child has, and makes it ask again.
void forgetThreadIdInChild() {
    cachedThreadId = 0;
}
}  // namespace

std::uint32_t currentThreadId() {
    if (cachedThreadId == 0) {
        static const int forkHandler = pthread_atfork(nullptr, nullptr, forgetThreadIdInChild);
        static_cast<void>(forkHandler);
        // The kernel id, not pthread_self(): it matches what ps, top and debuggers show.
        cachedThreadId = static_cast<std::uint32_t>(syscall(SYS_gettid));
    }
    return cachedThreadId;
}

std::uint32_t currentProcessId() {
    return static_cast<std::uint32_t>(getpid());
}

}  // namespace platform
