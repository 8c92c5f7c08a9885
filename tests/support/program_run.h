#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "addon001/platform/child_process.h"

namespace test_support {

// What a program run as a child process printed, and how it ended.
struct ProgramRun {
    platform::ChildEnd end;
    int exitCode = -1;  // its exit code, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` (each passed unchanged, no command interpreter) and collects
// its standard output and error output.
ProgramRun runProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);

// The same for the reference host built beside the tests.
ProgramRun runHost(const std::vector<std::string>& arguments);

}  // namespace test_support
