#pragma once

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "addon001/addon/addon_interface.h"

namespace host {

// The interface version this host speaks, which getInterfaceVer must give unless the checker
// is told another (--interface-version): the one of the interface header it is built with.
inline constexpr int hostInterfaceVersion = addon::interfaceVersion;

struct CheckOptions {
    std::filesystem::path module;
    // Drive type codes asked about besides those of the module's drive catalogue.
    std::vector<std::string> extraDriveTypes;
    // The host program, started again to run each check that calls into the module in a
    // process of its own.
    std::filesystem::path hostProgram;
    // How long one check process may run before it is ended and its check fails.
    std::chrono::milliseconds timeLimit{10'000};
    // Print the results as one JSON document instead of lines.
    bool json = false;
    // Also write a JUnit XML report to this file (none when empty). It is written however
    // the run ends, also when it is asked to end (SIGINT, SIGTERM, SIGHUP; Ctrl+C).
    std::filesystem::path junitFile;
    // The interface version getInterfaceVer must give: the host's own unless the module is
    // meant for a host that speaks another.
    int interfaceVersion = hostInterfaceVersion;
};

// Exit codes of a check run.
inline constexpr int checkPassed = 0;
inline constexpr int checkBadCommandLine = 1;  // e.g. the JUnit report cannot be written
inline constexpr int checkUnloadable = 2;      // the module could not be loaded at all
inline constexpr int checkFailed = 3;          // at least one check failed

// Checks a module against the interface contract the host relies on, without ever calling
// into it from this process: every check that loads or calls the module runs in a process of
// its own (the host program started again), so that a crash, a hang, exit, abort or
// std::terminate fails that check and the others still run. Writes one line per check to
// `out`: "PASS <check> (<what was seen>)", "FAIL <check> (<what was seen>)", or
// "SKIP <check> (<why>)" when what it needs is missing (which has failed already), then
// "N checks: N passed, N failed, N skipped" (or, with `json`, one document). A module that
// cannot be loaded is also reported on `errors`. Control characters in what a module answered
// are shown escaped. Every process a module starts ends with its check, and the scratch folder
// of the check processes is removed however the run ends. Call it once per process: it makes
// this process the supervisor of its descendants and takes over the requests to end it.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace host
