#include "process.h"

#include <cstdlib>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace platform {

int runCommand(const std::string& commandLine) {
#if defined(_WIN32)
    // cmd.exe strips one pair of outer quotes from the whole line; wrap it so the quoted
    // program path survives.
    return std::system(("\"" + commandLine + "\"").c_str());
#else
    const int status = std::system(commandLine.c_str());
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
#endif
}

int runCommandSilently(const std::string& commandLine) {
#if defined(_WIN32)
    return runCommand(commandLine + " > NUL 2>&1");
#else
    // exec: the shell makes way for the program, so no shell is left to report its crash.
    return runCommand("exec " + commandLine + " > /dev/null 2>&1");
#endif
}

std::string quoteArgument(const std::string& argument) {
#if defined(_WIN32)
    return "\"" + argument + "\"";
#else
    std::string quoted = "'";
    for (char character : argument) {
        if (character == '\'') {
            quoted += "'\\''";
        } else {
            quoted += character;
        }
    }
    return quoted + "'";
#endif
}

}  // namespace platform
