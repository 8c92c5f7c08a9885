#include "addon001/platform/child_process.h"

#include <cstdio>

#include "child_process_system.h"

namespace platform {

namespace detail {

std::string exceptionName(unsigned code) {
    switch (code) {
        case 0xC0000005u:
            return "access violation";
        case 0xC00000FDu:
            return "stack overflow";
        case 0xC0000094u:
            return "integer division by zero";
        case 0xC000001Du:
            return "illegal instruction";
        case 0xC0000409u:
            return "stack buffer overrun";
        case 0xC0000374u:
            return "heap corruption";
        case 0x80000003u:
            return "breakpoint";
        case 0xE06D7363u:
            return "unhandled C++ exception";
        default:
            return std::string();
    }
}

std::string windowsCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += argument;
            continue;
        }
        // Quoted: backslashes are literal unless they precede a quote, so those before a quote
        // (and before the closing quote) are doubled, and each quote gets one of its own.
        line += '"';
        std::size_t backslashes = 0;
        for (char character : argument) {
            if (character == '\\') {
                ++backslashes;
                continue;
            }
            if (character == '"') {
                line.append(backslashes * 2 + 1, '\\');
            } else {
                line.append(backslashes, '\\');
            }
            backslashes = 0;
            line += character;
        }
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

}  // namespace detail

std::string signalText(int signal) {
    return "signal " + std::to_string(signal) + " (" + detail::signalName(signal) + ")";
}

std::string exceptionText(unsigned code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    const std::string name = detail::exceptionName(code);
    return std::string("exception ") + hex + (name.empty() ? "" : " (" + name + ")");
}

std::string ChildEnd::description() const {
    switch (kind) {
        case Kind::Exited:
            return "exited with code " + std::to_string(code);
        case Kind::Signalled:
            return "was killed by " + signalText(code);
        case Kind::Crashed:
            return "crashed with " + exceptionText(static_cast<unsigned>(code));
        case Kind::TimedOut:
            return "did not end within its time limit and was ended";
        case Kind::NotStarted:
            return "could not be started: " + problem;
    }
    return "ended";
}

}  // namespace platform
