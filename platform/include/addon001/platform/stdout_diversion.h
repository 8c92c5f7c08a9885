#pragma once

namespace platform {

// While it lives, whatever is written to the process's standard output (by printf, std::cout
// or the system's write calls, from the host or a module) goes to its error output instead;
// the output is restored when it is destroyed. Where standard output cannot be diverted (it is
// closed), nothing changes.
class StdoutDiversion {
public:
    StdoutDiversion();
    ~StdoutDiversion();
    StdoutDiversion(const StdoutDiversion&) = delete;
    StdoutDiversion& operator=(const StdoutDiversion&) = delete;

private:
    // The standard output's own descriptor, kept aside; -1 when nothing was diverted.
    int saved_ = -1;
    // Windows: the standard output handle of the process, kept aside as well.
    void* savedHandle_ = nullptr;
};

}  // namespace platform
