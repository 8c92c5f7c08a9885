#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "addon001/platform/stdout_diversion.h"

namespace platform {

StdoutDiversion::StdoutDiversion() {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    if (saved_ >= 0 && dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        close(saved_);
        saved_ = -1;
    }
}

StdoutDiversion::~StdoutDiversion() {
    if (saved_ < 0) return;
    // What the module left in the buffers goes out to where it was diverted.
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
}

}  // namespace platform
