#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "addon001/platform/child_process.h"
#include "running_child.h"

extern char** environ;

namespace test_support {

RunningChild::RunningChild(const std::filesystem::path& program,
                           const std::vector<std::string>& arguments) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    // No file actions: the child gets every descriptor that is not close-on-exec.
    pid_t child = 0;
    const int failure =
        posix_spawn(&child, words[0].c_str(), nullptr, nullptr, argv.data(), environ);
    if (failure != 0) {
        problem_ = words[0] + ": " + std::strerror(failure);
        return;
    }
    id_ = child;
    running_ = true;
}

void RunningChild::kill() {
    if (running_) ::kill(static_cast<pid_t>(id_), SIGKILL);
}

platform::ChildEnd RunningChild::wait() {
    platform::ChildEnd end;
    if (!running_) {
        end.problem = problem_;
        return end;
    }
    int status = 0;
    while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0 && errno == EINTR) {
    }
    running_ = false;
    return platform::detail::endOfWaitStatus(status);
}

}  // namespace test_support
