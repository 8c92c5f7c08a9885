#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>

#include "addon001/platform/stdout_diversion.h"

namespace platform {

namespace {
constexpr int outputDescriptor = 1;
constexpr int errorDescriptor = 2;
}  // namespace

StdoutDiversion::StdoutDiversion() {
    std::cout.flush();
    std::fflush(stdout);
    // The C runtime's descriptor, for printf and std::cout, and the process's handle, for a
    // module that writes to GetStdHandle(STD_OUTPUT_HANDLE) itself.
    saved_ = _dup(outputDescriptor);
    if (saved_ >= 0 && _dup2(errorDescriptor, outputDescriptor) != 0) {
        _close(saved_);
        saved_ = -1;
        return;
    }
    if (saved_ < 0) return;
    savedHandle_ = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
}

StdoutDiversion::~StdoutDiversion() {
    if (saved_ < 0) return;
    std::cout.flush();
    std::fflush(stdout);
    SetStdHandle(STD_OUTPUT_HANDLE, static_cast<HANDLE>(savedHandle_));
    _dup2(saved_, outputDescriptor);
    _close(saved_);
}

}  // namespace platform
