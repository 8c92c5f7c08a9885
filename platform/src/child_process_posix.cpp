#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

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

std::vector<long> childProcesses() {
    // /proc/<id>/stat: "<id> (<command>) <state> <parent id> ...", where the command may hold
    // blanks and parentheses of its own: the fields go on after the last ")".
    const long self = static_cast<long>(getpid());
    std::vector<long> children;
    DIR* folder = opendir("/proc");
    if (folder == nullptr) return children;
    while (const dirent* entry = readdir(folder)) {
        char* end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || id <= 0) continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const std::size_t close = line.rfind(')');
        if (close == std::string::npos || close + 4 >= line.size()) continue;
        const long parent = std::strtol(line.c_str() + close + 4, nullptr, 10);
        if (parent == self) children.push_back(id);
    }
    closedir(folder);
    return children;
}

void endChildrenExcept(const std::set<long>& keep) {
    // Each round kills the children there are; what they had started comes here as orphans
    // and is killed in the next round.
    while (true) {
        std::vector<long> victims;
        for (long child : childProcesses()) {
            if (keep.count(child) == 0) victims.push_back(child);
        }
        if (victims.empty()) return;
        for (long victim : victims) {
            kill(static_cast<pid_t>(victim), SIGKILL);
            kill(-static_cast<pid_t>(victim), SIGKILL);
        }
        for (long victim : victims) {
            int status = 0;
            while (waitpid(static_cast<pid_t>(victim), &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
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

enum class Wait { Ended, TimedOut, Failed };

// Waits for the child, at most its time limit.
Wait waitFor(pid_t child, const ChildOptions& options, int& status) {
    const auto deadline = options.timeLimit ? std::chrono::steady_clock::now() + *options.timeLimit
                                            : std::chrono::steady_clock::time_point::max();
    // Short naps first, so that a quick child costs little; at most 10 ms apart later.
    long nap = 200'000;
    while (true) {
        const pid_t result = waitpid(child, &status, options.timeLimit ? WNOHANG : 0);
        if (result == child) return Wait::Ended;
        // ECHILD, say, when SIGCHLD is ignored and the system took the child's status away.
        if (result < 0 && errno != EINTR) return Wait::Failed;
        if (std::chrono::steady_clock::now() >= deadline) return Wait::TimedOut;
        if (result == 0) {
            const timespec pause{0, nap};
            nanosleep(&pause, nullptr);
            nap = std::min(nap * 2, 10'000'000L);
        }
    }
}

std::set<long> currentChildren() {
    const std::vector<long> children = detail::childProcesses();
    return std::set<long>(children.begin(), children.end());
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
    // Nothing else of this process's: a pipe that the caller handed this process must not be
    // held open by whatever the child starts.
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
    // A session of its own, whose process group it cannot leave for this process's group (a
    // session leader cannot change its group, and no group of another session can be joined),
    // so that a time limit ends whatever stayed in it; default signal handling and no blocked
    // signals, whatever this process has set.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    posix_spawnattr_setsigdefault(&settings.attributes, &all);
    posix_spawnattr_setflags(&settings.attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const std::set<long> earlierChildren =
        options.endDescendants ? currentChildren() : std::set<long>();
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
    const Wait waited = waitFor(child, options, status);
    const int waitError = errno;
    ChildEnd end;
    if (waited == Wait::Ended) {
        end = detail::endOfWaitStatus(status);
    } else {
        // The child itself first, whatever group it is in, then its group.
        kill(child, SIGKILL);
        kill(-child, SIGKILL);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        if (waited == Wait::TimedOut) {
            end.kind = ChildEnd::Kind::TimedOut;
        } else {
            end.kind = ChildEnd::Kind::NotStarted;
            end.problem = file + ": its end could not be read: " + std::strerror(waitError);
        }
    }
    if (options.endDescendants) {
        kill(-child, SIGKILL);
        detail::endChildrenExcept(earlierChildren);
    }
    return end;
}

}  // namespace platform
