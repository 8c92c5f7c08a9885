#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "addon001/platform/child_process.h"
#include "child_process_system.h"

extern char** environ;

namespace platform {

namespace detail {
std::string signalName(int signal) {
    const char* name = strsignal(signal);
    return name != nullptr ? name : "unknown signal";
}

ChildEnd endOfWaitStatus(int status) {
    ChildEnd end;
    if (WIFEXITED(status)) {
        end.kind = ChildEnd::Kind::Exited;
        end.code = WEXITSTATUS(status);
    } else {
        end.kind = ChildEnd::Kind::Signalled;
        end.code = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    return end;
}
}  // namespace detail

namespace {

// Releases the spawn settings however the start goes.
struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

void redirect(posix_spawn_file_actions_t& actions, int descriptor,
              const std::filesystem::path& file) {
    const std::string target = file.empty() ? std::string("/dev/null") : file.string();
    posix_spawn_file_actions_addopen(&actions, descriptor, target.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

// Waits for the child; false when the time limit passed first.
bool waitFor(pid_t child, const ChildOptions& options, int& status) {
    if (!options.timeLimit) {
        while (waitpid(child, &status, 0) < 0) {
            if (errno != EINTR) return true;
        }
        return true;
    }
    const auto deadline = std::chrono::steady_clock::now() + *options.timeLimit;
    // Short naps first, so that a quick child costs little; at most 10 ms apart later.
    long nap = 200'000;
    while (true) {
        const pid_t result = waitpid(child, &status, WNOHANG);
        if (result == child || (result < 0 && errno != EINTR)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        const timespec pause{0, nap};
        nanosleep(&pause, nullptr);
        nap = std::min(nap * 2, 10'000'000L);
    }
}

}  // namespace

ChildEnd runChild(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const ChildOptions& options) {
    const std::string file = program.string();
    std::vector<std::string> words;
    words.push_back(file);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnSettings settings;
    posix_spawn_file_actions_addopen(&settings.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    redirect(settings.actions, STDOUT_FILENO, options.output);
    redirect(settings.actions, STDERR_FILENO, options.errors);
    // A process group of its own, so that a time limit ends whatever the child started too;
    // default signal handling and no blocked signals, whatever this process has set.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    posix_spawnattr_setsigdefault(&settings.attributes, &all);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawnattr_setflags(&settings.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF);

    pid_t child = 0;
    const int failure = posix_spawn(&child, file.c_str(), &settings.actions, &settings.attributes,
                                    argv.data(), environ);
    if (failure != 0) {
        ChildEnd end;
        end.kind = ChildEnd::Kind::NotStarted;
        end.problem = file + ": " + std::strerror(failure);
        return end;
    }

    int status = 0;
    if (waitFor(child, options, status)) return detail::endOfWaitStatus(status);
    kill(-child, SIGKILL);
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    ChildEnd end;
    end.kind = ChildEnd::Kind::TimedOut;
    return end;
}

}  // namespace platform
