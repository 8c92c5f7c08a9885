#include <pthread.h>

#include "addon001/platform/fork_handlers.h"

namespace platform {

void onFork(void (*prepare)(), void (*parent)(), void (*child)()) {
    // glibc takes the handlers back when the library that registered them is unloaded.
    static_cast<void>(pthread_atfork(prepare, parent, child));
}

}  // namespace platform
