#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <sys/syscall.h>
#include <time.h>

#include <fstream>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "addon001/platform/process_control.h"
#include "child_process_system.h"

namespace platform {

void endCrashesWithTheirCode() {
    // A crash ends the process by its signal, which the parent sees as such: whatever handler
    // the process was given for the signals of a fault (a sanitizer's, for one) is undone.
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) signal(fault, SIG_DFL);
}

void endCrashesInTheLoader(bool) {
    // The dynamic linker catches no signal: a crash in a constructor or destructor ends the
    // process anyway.
}

void endWithParent(unsigned long parent, int exitCode) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have ended before the request was made.
    if (static_cast<unsigned long>(getppid()) != parent) _exit(exitCode);
}

void endProcessNow(int code) {
    _exit(code);
}

int threadCount() {
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return 0;
    int count = 0;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] != '.') ++count;
    }
    closedir(tasks);
    return count;
}

namespace {
// The other threads' ids, each with whether it waits (not running or ready to run) and how
// long it has been on a processor, in nanoseconds.
struct ThreadState {
    bool waits = false;
    unsigned long long onProcessor = 0;
};

std::map<long, ThreadState> otherThreads() {
    std::map<long, ThreadState> threads;
    const long self = static_cast<long>(syscall(SYS_gettid));
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return threads;
    while (const dirent* entry = readdir(tasks)) {
        if (entry->d_name[0] == '.') continue;
        const long id = std::strtol(entry->d_name, nullptr, 10);
        if (id == self) continue;
        const std::string folder = std::string("/proc/self/task/") + entry->d_name;
        ThreadState state;
        std::ifstream stat(folder + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t close = line.rfind(')');
        // A thread that is gone waits for nothing more.
        state.waits =
            close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'R';
        std::ifstream schedstat(folder + "/schedstat");
        schedstat >> state.onProcessor;
        threads[id] = state;
    }
    closedir(tasks);
    return threads;
}
}  // namespace

void letOtherThreadsRun(std::chrono::milliseconds least, std::chrono::milliseconds most) {
    const auto start = std::chrono::steady_clock::now();
    const std::map<long, ThreadState> before = otherThreads();
    std::set<long> hadTurn;
    while (std::chrono::steady_clock::now() - start < most) {
        const std::map<long, ThreadState> now = otherThreads();
        bool all = true;
        for (const auto& [id, state] : now) {
            const auto earlier = before.find(id);
            const unsigned long long ran = earlier == before.end()
                                               ? state.onProcessor
                                               : state.onProcessor - earlier->second.onProcessor;
            if (state.waits || ran >= 1'000'000) hadTurn.insert(id);
            if (hadTurn.count(id) == 0) all = false;
        }
        if (all && std::chrono::steady_clock::now() - start >= least) return;
        const timespec pause{0, 1'000'000};
        nanosleep(&pause, nullptr);
    }
}

void superviseDescendants() {
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    signal(SIGCHLD, SIG_DFL);
}

void onEndRequest(std::function<void()> cleanUp) {
    sigset_t requests;
    sigemptyset(&requests);
    for (int request : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&requests, request);
    pthread_sigmask(SIG_BLOCK, &requests, nullptr);
    std::thread([requests, cleanUp = std::move(cleanUp)]() {
        int request = 0;
        while (sigwait(&requests, &request) != 0) {
        }
        cleanUp();
        // Ended by the request itself, so that the caller sees the signal.
        signal(request, SIG_DFL);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, request);
        pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
        raise(request);
        _exit(128 + request);
    }).detach();
}

void endRemainingChildren() {
    detail::endChildrenExcept({});
}

}  // namespace platform
