#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// How a child process ended.
struct ChildEnd {
    enum class Kind {
        Exited,      // returned from main or called exit: `code` is its exit code
        Signalled,   // ended by a signal (Linux): `code` is the signal number
        Crashed,     // ended by an exception the system caught (Windows): `code` is its code
        TimedOut,    // still running at the time limit, and ended then
        NotStarted,  // could not be started: `problem` says why
    };
    Kind kind = Kind::NotStarted;
    int code = 0;
    std::string problem;

    bool exitedWith(int exitCode) const { return kind == Kind::Exited && code == exitCode; }

    // One phrase for a line of output: "exited with code 3", "was killed by signal 11
    // (Segmentation fault)", "crashed with exception 0xC0000005 (access violation)", ...
    std::string description() const;
};

// "signal 11 (Segmentation fault)": a signal by its number and the system's name for it.
std::string signalText(int signal);
// "exception 0xC0000005 (access violation)": a Windows exception code, with its name when it
// is a well-known one.
std::string exceptionText(unsigned code);

struct ChildOptions {
    // Files that receive the child's standard output and error output, created or emptied;
    // empty paths throw that output away. Its standard input is empty.
    std::filesystem::path output;
    std::filesystem::path errors;
    // Ended (with everything it started) when still running after this long; none: no limit.
    std::optional<std::chrono::milliseconds> timeLimit;
    // Every process the child started, however it left the child's process group or session,
    // is ended when the child has ended: on Linux every process that became this process's
    // child meanwhile (orphans come here once superviseDescendants() has run, see
    // process_control.h), on Windows every process of the job object the child runs in.
    bool endDescendants = false;
};

// Starts `program` with `arguments` as its own argument list, without a command interpreter in
// between, so that every argument reaches the child byte for byte, and waits for it to end.
// The child inherits only its three standard handles, gets default signal handling (Linux),
// and runs in a session of its own, whose process group it cannot leave for this process's.
ChildEnd runChild(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const ChildOptions& options = {});

namespace detail {
// The Windows command line on which the child's C runtime finds exactly `arguments` again
// (the rules of CommandLineToArgvW and of the C runtime's argument parsing).
std::string windowsCommandLine(const std::vector<std::string>& arguments);

// How a child ended, from the status that waitpid gave (Linux only).
ChildEnd endOfWaitStatus(int status);
}  // namespace detail

}  // namespace platform
