#pragma once

// The check process: the host program started again by the checker to run one check on the
// module in a process of its own (check_protocol.h). Whatever the module does there, crash,
// hang, exit, abort or std::terminate, ends only this process, and its result channel tells the
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

// Exit code of a check process that could not read its input or open its result channel.
inline constexpr int checkChildUnusable = 2;

}  // namespace host
