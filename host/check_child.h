#pragma once

// The check process: the host program started again by the checker to run one check on the
// module in a process of its own (check_protocol.h). Whatever the module does there, crash,
// hang, exit, abort or std::terminate, ends only this process, and the events file tells the
// checker which it was.
#include <filesystem>
#include <string>

namespace host {

// Runs the check `id` ("load", one of contract_checks.h's, "unload") on `module` with the files
// named by `filesPrefix`, and returns the process's exit code: 0 when the outcome was written.
// Does not return when the check returned: the process ends at once, without running the
// module's teardown (which only the unload check asks for).
int runCheckChild(const std::string& id, const std::string& filesPrefix,
                  const std::filesystem::path& module);

// The id of the check that only loads the module and reports which exports it finds.
inline constexpr const char* loadId = "load";

// Exit code of a check process that could not read its input or write its events.
inline constexpr int checkChildUnusable = 2;

namespace detail {
// Per system (check_child_posix.cpp, check_child_windows.cpp): makes a crash end the process
// with a status that names it (Linux: the signal does; Windows: the exception code), and ends
// the process at once with `code`, running no exit handler and no module's teardown.
void endCrashesWithTheirCode();
[[noreturn]] void endProcessNow(int code);
// While the system loader runs the module's start-up or teardown, a crash there ends the
// process too, although the loader would catch it (Windows catches exceptions in DllMain, and
// the load or unload then seems to go on). Off again with `false`.
void endCrashesInTheLoader(bool on);
// This process's id, which the checker hands its check processes.
unsigned long currentProcessId();
// Ends this process when the checker `checkerProcess` ends first (killed, say), so that a
// hanging module does not outlive the run.
void endWithTheChecker(unsigned long checkerProcess);
}  // namespace detail

}  // namespace host
