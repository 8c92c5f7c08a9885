#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace host {

struct CheckOptions {
    std::filesystem::path module;
    // Drive type codes asked about besides those of the module's drive catalogue.
    std::vector<std::string> extraDriveTypes;
    // The host program, started again to make each call with a null pointer in a process of
    // its own; empty to leave those checks out.
    std::filesystem::path probeProgram;
};

// Exit codes of a check run.
inline constexpr int checkPassed = 0;
inline constexpr int checkUnloadable = 2;  // the module could not be loaded at all
inline constexpr int checkFailed = 3;      // at least one check failed

// Checks a module against the interface contract the host relies on. Writes one line per
// check to `out`: "PASS <check> (<what was seen>)", "FAIL <check> (<what was seen>)", or
// "SKIP <check> (<why>)" when the export it needs is missing, which has failed already.
// A module that cannot be loaded is reported on `errors`.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& errors);

}  // namespace host
