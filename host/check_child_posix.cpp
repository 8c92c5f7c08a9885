#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include "check_child.h"

namespace host::detail {

void endCrashesWithTheirCode() {
    // A crash ends the process by its signal, which the checker sees as such: whatever handler
    // the process was given for the signals of a fault (a sanitizer's, for one) is undone.
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) signal(fault, SIG_DFL);
}

void endCrashesInTheLoader(bool) {
    // The dynamic linker catches no signal: a crash in a constructor or destructor ends the
    // process anyway.
}

unsigned long currentProcessId() {
    return static_cast<unsigned long>(getpid());
}

void endWithTheChecker(unsigned long checkerProcess) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The checker may have ended before the request was made.
    if (static_cast<unsigned long>(getppid()) != checkerProcess) _exit(checkChildUnusable);
}

void endProcessNow(int code) {
    _exit(code);
}

}  // namespace host::detail
