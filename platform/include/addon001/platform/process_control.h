#pragma once

// What a process asks of the system about its own end, one implementation per system
// (process_control_posix.cpp, process_control_windows.cpp). The checker's check processes use it
// so that whatever a module does ends only them, with a status that says what happened.

// (This process's id is currentProcessId(), in thread_id.h.)
#include <chrono>
#include <functional>

#include "addon001/platform/thread_id.h"

namespace platform {

// Makes a crash end the process with a status that names it (Linux: the signal does; Windows:
// the exception code).
void endCrashesWithTheirCode();

// Ends the process at once with `code`, running no exit handler and no module's teardown.
[[noreturn]] void endProcessNow(int code);

// While the system loader runs a module's start-up or teardown, a crash there ends the process
// too, although the loader would catch it (Windows catches exceptions in DllMain, and the load
// or unload then seems to go on). Off again with `false`.
void endCrashesInTheLoader(bool on);

// Ends this process when the process `parent` ends first (killed, say), so that a hanging
// module does not outlive it; ends it at once with `exitCode` when `parent` has ended already.
void endWithParent(unsigned long parent, int exitCode);

// The number of threads this process runs, the calling one included; 0 when the system
// cannot tell.
int threadCount();

// Returns once every other thread of this process has had its turn: has run up to a point
// where it waits, or has been on a processor for a millisecond since the call (Linux, from
// /proc/self/task); at least `least` after the call, at most `most`. Windows: waits `least`
// when the process runs other threads. For a process that must see what other threads do
// (to its descriptors, say) however busy the machine is.
void letOtherThreadsRun(std::chrono::milliseconds least, std::chrono::milliseconds most);

// For a process that runs children which may start processes of their own: on Linux, makes
// this process the subreaper of all its descendants (PR_SET_CHILD_SUBREAPER), so that an
// orphan becomes its child instead of init's and runChild's `endDescendants` can end it, and
// sets SIGCHLD to its default action, so that a caller that ignored it does not hide how a
// child ended. Nothing on Windows, where runChild's job objects do that work.
void superviseDescendants();

// Runs `cleanUp` on a thread of its own when the process is asked to end (Linux: SIGINT,
// SIGTERM or SIGHUP; Windows: Ctrl+C, Ctrl+Break or the console closing), then ends the
// process as the request would have (Linux: by the same signal). Call it before any other
// thread starts: on Linux it blocks those signals in the calling thread, and every thread
// started later inherits the block. Once only.
void onEndRequest(std::function<void()> cleanUp);

// Ends every child process of this one that runChild has not waited for yet, and every child
// that those leave behind (Linux, once superviseDescendants() has run; Windows: the processes
// of the job objects of the children that runChild started with `endDescendants`).
void endRemainingChildren();

}  // namespace platform
