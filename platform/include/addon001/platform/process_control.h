#pragma once

// What a process asks of the system about its own end, one implementation per system
// (process_control_posix.cpp, process_control_windows.cpp). The checker's check processes use it
// so that whatever a module does ends only them, with a status that says what happened.

// (This process's id is currentProcessId(), in thread_id.h.)
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

}  // namespace platform
