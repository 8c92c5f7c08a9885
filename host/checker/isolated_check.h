#pragma once

// The checker's side of a check process (check_child.h): starts the host program again for one
// check, within a time limit, and turns however the process ended into the check's outcome.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "addon001/platform/child_process.h"
#include "check_protocol.h"

namespace host {

// How a check process ended, as the checker learns it.
struct IsolatedOutcome {
    // The check's own outcome when it returned; otherwise a failure whose `seen` says how the
    // process ended ("crashed with signal 11 (Segmentation fault)", "the module called exit(0)").
    CheckOutcome outcome;
    bool returned = false;
};

// How a check process that wrote no outcome ended, in words: `lastPhase` and `endLine` are the
// values of its last "phase" line and of its "end" line (empty when it wrote none). Where it
// was (loading, unloading, ...) leads the text, except for the load check, which says so itself.
std::string describeEarlyEnd(const std::string& id, const platform::ChildEnd& end,
                             const std::string& lastPhase, const std::string& endLine,
                             std::chrono::milliseconds timeLimit);

// What a check whose result channel was damaged saw.
inline constexpr const char* damagedChannelText =
    "the result channel of the check process was damaged: something besides the check wrote "
    "into it";

class CheckProcesses {
public:
    // Makes a scratch folder for the processes' files below the system's temporary folder;
    // throws std::runtime_error when it cannot.
    CheckProcesses(std::filesystem::path hostProgram, std::filesystem::path module,
                   std::chrono::milliseconds timeLimit);
    ~CheckProcesses();
    CheckProcesses(const CheckProcesses&) = delete;
    CheckProcesses& operator=(const CheckProcesses&) = delete;

    // Runs the check `id` in a process of its own and waits for it, at most the time limit.
    // Throws std::runtime_error when the check process cannot be given its input or cannot
    // open its result channel (a full temporary folder): the checker's trouble, not the module's.
    IsolatedOutcome run(const std::string& id, const CheckInput& input);

    // Removes the scratch folder and everything in it; also safe while a run goes on (from
    // the handler of a request to end), after which no run succeeds.
    void removeFolder() noexcept;

private:
    std::filesystem::path hostProgram_;
    std::filesystem::path module_;
    std::chrono::milliseconds timeLimit_;
    std::filesystem::path folder_;
    std::uint64_t key_ = 0;
    int runs_ = 0;
};

}  // namespace host
