#include <signal.h>

#include <sys/prctl.h>
#include <unistd.h>
#include <initializer_list>

#include "addon001/platform/process_control.h"

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

}  // namespace platform
