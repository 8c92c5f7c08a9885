#pragma once

namespace platform {

// Runs `prepare` in the thread that calls fork() just before the process is copied, and
// `parent` and `child` in the two processes just after (pthread_atfork), so that a lock held
// around the copy is let go again on both sides. Nothing on Windows, which has no fork.
void onFork(void (*prepare)(), void (*parent)(), void (*child)());

}  // namespace platform
