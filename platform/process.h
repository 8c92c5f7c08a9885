#pragma once

#include <string>

namespace platform {

// Runs a command line through the system's command interpreter (so redirections work) and
// returns the program's exit code, or -1 when it did not exit normally.
int runCommand(const std::string& commandLine);

// Runs a command line like runCommand, with the program's output and error output thrown away,
// and no word from the command interpreter if the program crashes: for child processes whose
// only answer is their exit code.
int runCommandSilently(const std::string& commandLine);

// Quotes one argument for the command interpreter.
std::string quoteArgument(const std::string& argument);

}  // namespace platform
