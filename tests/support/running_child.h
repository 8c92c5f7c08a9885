#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "addon001/platform/child_process.h"

namespace test_support {

// A program running as a child process while the test goes on. Unlike platform::runChild it
// inherits every handle that this process lets children inherit, as a host does that starts
// its helpers with inheritance on (CreateProcess with bInheritHandles, or fork and exec), and
// it can be killed at any moment: SIGKILL on Linux, TerminateProcess on Windows, so that it
// gets no chance to clean up. Its standard handles are this process's own.
class RunningChild {
public:
    RunningChild(const std::filesystem::path& program, const std::vector<std::string>& arguments);
    // Kills the child if it still runs, and waits for it.
    ~RunningChild() {
        if (running_) {
            kill();
            wait();
        }
    }
    RunningChild(const RunningChild&) = delete;
    RunningChild& operator=(const RunningChild&) = delete;

    // Empty when it started; otherwise why not.
    const std::string& problem() const { return problem_; }
    void kill();
    // Waits for it to end; how it ended (NotStarted when it never ran).
    platform::ChildEnd wait();

private:
    std::string problem_;
    long long id_ = 0;  // the process id, or the process handle's value
    bool running_ = false;
};

}  // namespace test_support
