#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <initializer_list>
#include <set>
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
